#!/usr/bin/python3
"""kalvex-cli against mutagen, ffprobe and eyeD3 on MP3s made here by sox and
lame (CBR with and without an Info header, VBR, mono, MPEG 2, MPEG 2.5).

Reading: every field both readers know agrees on tags mutagen writes as 2.3
and 2.4 in every text encoding; stream facts follow the formulas and, within
what those differ by, mutagen. Writing: random records (any script, empty
fields, comments that grow the tag) written as 2.3 and 2.4 over mutagen's
tags with frames our record lacks read back in full by mutagen, with every
frame carried over and the bytes after the tag unchanged, and ffprobe and
eyeD3 read the file; every old tag of the fuzz corpus rewrites to one
mutagen parses; the pictures we write read back alike by all three.

usage: interop_test.py KALVEX_CLI FUZZ_CORPUS_DIR
"""

import hashlib
import json
import os
import random
import shutil
import struct
import sys
import tempfile
import unittest

import mutagen.id3 as id3
from mutagen.mp3 import MP3 as MP3Info

from mp3_tools import make_mp3, mutagen_fields, read_bytes, run, syncsafe, tag_length

CLI = CORPUS = WORK = None

# Three seconds of tone each: name, sample rate, channels, lame's options.
KINDS = [("cbr", 44100, 2, "-b", "128"), ("cbr-plain", 44100, 2, "-b", "128", "-t"),
         ("vbr", 44100, 2, "-V", "4"), ("mono", 44100, 1, "-b", "64", "-m", "m"),
         ("mpeg2", 44100, 2, "--resample", "22.05", "-b", "64"),
         ("mpeg25", 11025, 1, "-b", "32", "-m", "m")]
MP3 = {}


def tagged(name, frames, source="cbr-plain", **save):
    """A copy of one of the MP3s above, with mutagen's tag of `frames`."""
    path = os.path.join(WORK, name)
    shutil.copyfile(MP3[source], path)
    tags = id3.ID3()
    for frame in frames:
        tags.add(frame)
    tags.save(path, **save)
    return path


def kalvex(path):
    return json.loads(run(CLI, "tags", "--json", path).stdout)[0]


def normalise(text):
    return text.replace("\r\n", "\n")


class TagsAgreeWithMutagen(unittest.TestCase):
    def tag_and_compare(self, name, frames, version, expected):
        path = tagged(name, frames, v2_version=version)
        ours = kalvex(path)
        self.assertTrue(ours["HasTagV2"])
        self.assertEqual(ours["StreamInfo"]["TagV2Major"], version)
        theirs = mutagen_fields(path)
        self.assertTrue(theirs)
        self.assertEqual({field: normalise(ours["TagV2"][field]) for field in theirs},
                         {field: normalise(value) for field, value in theirs.items()}, name)
        self.assertEqual({field: ours["TagV2"][field] for field in expected}, expected, name)
        return ours

    def all_frames(self, encoding, title, artist, year_frame):
        texts = {id3.TPE1: artist, id3.TALB: "Album " + title, id3.TIT2: title,
                 id3.TCON: "(17)", id3.TRCK: "3/12", id3.TENC: "Encoder " + artist,
                 id3.TCOP: "2004 " + artist, id3.TCOM: "Composer " + title,
                 id3.TOPE: "Original " + artist}
        return [frame(encoding=encoding, text=text) for frame, text in texts.items()] + [
            year_frame, id3.COMM(encoding=encoding, lang="eng", desc="", text="Plain comment"),
            id3.WXXX(encoding=encoding, desc="", url="http://example.org/x")]

    def test_every_field_in_each_encoding(self):
        cases = [
            # name, version, encoding, title, artist, year frame, expected of ours
            ("v23-latin", 3, 0, "Caf\u00e9 au lait", "Bj\u00f6rk", id3.TYER(encoding=0, text="1999"),
             {"Genre": "Rock", "Year": "1999"}),
            ("v23-greek", 3, 1, "\u0395\u03bb\u03bb\u03ac\u03b4\u03b1", "\u039c\u03b9\u03ba\u03b7\u03c2",
             id3.TYER(encoding=1, text="2001"), {}),
            ("v24-japanese", 4, 3, "\u661f\u306e\u306a\u3044\u4e16\u754c", "\u3042\u3044\u3053",
             id3.TDRC(encoding=3, text="2003-05-01"), {"Year": "2003"}),
            ("v24-utf16be", 4, 2, "Money \U0001F4B5", "Ren\u00e9e", id3.TDRC(encoding=2, text="2010"),
             {}),
        ]
        for name, version, encoding, title, artist, year, expected in cases:
            with self.subTest(name):
                frames = self.all_frames(encoding, title, artist, year)
                ours = self.tag_and_compare(name + ".mp3", frames, version,
                                            dict(expected, Title=title))
                self.assertEqual(len([v for v in ours["TagV2"].values() if v]), 12)

    def test_comments_with_descriptions_and_genre_forms(self):
        comment = "Zwei\nZeilen \u00fc"
        cases = [(f"comm-{encoding}-{version}", version,
                  id3.COMM(encoding=encoding, lang="deu", desc="Beschreibung \u00e4", text=comment),
                  {"Comment": comment.replace("\n", "\r\n")})
                 for version in (3, 4) for encoding in ((0, 1) if version == 3 else (0, 1, 2, 3))]
        genres = {"(17)": "Rock", "(17)Rock": "Rock", "Rock": "Rock", "(13)": "Pop",
                  "(RX)": "Remix", "(CR)": "Cover", "Eurodisco": "Eurodisco"}
        cases += [(f"tcon-{version}-{text}", version, id3.TCON(encoding=0, text=text),
                   {"Genre": genre}) for version in (3, 4) for text, genre in genres.items()]
        for name, version, frame, expected in cases:
            with self.subTest(name):
                self.tag_and_compare(name + ".mp3", [frame], version, expected)

    def test_unsynchronised_v23_with_picture(self):
        path = tagged("unsync.mp3", [
            id3.APIC(encoding=0, mime="image/jpeg", type=3, desc="",
                     data=b"\xff\xd8\xff\xe0" + bytes(range(256)) * 8),
            id3.TIT2(encoding=0, text="After the picture")], v2_version=3)
        # Unsynchronise the body by hand: mutagen does not write it.
        data = bytearray(read_bytes(path))
        size = data[6] << 21 | data[7] << 14 | data[8] << 7 | data[9]
        body = bytes(data[10:10 + size]).replace(b"\xff", b"\xff\x00")
        with open(path, "wb") as out:
            out.write(b"ID3\x03\x00\x80" + syncsafe(len(body)) + body + bytes(data[10 + size:]))
        self.assertEqual(id3.ID3(path)["TIT2"].text[0], "After the picture")
        self.assertEqual(kalvex(path)["TagV2"]["Title"], "After the picture")

    def test_version1(self):
        texts = {id3.TIT2: "V1 title \u00e9", id3.TPE1: "V1 artist", id3.TRCK: "7",
                 id3.TCON: "Pop", id3.TDRC: "1987"}
        path = tagged("v1.mp3", [frame(encoding=0, text=text) for frame, text in texts.items()],
                      v1=2)
        ours = kalvex(path)
        theirs = id3.ParseID3v1(read_bytes(path)[-128:])
        self.assertTrue(ours["HasTagV1"])
        self.assertEqual(ours["StreamInfo"]["TagV1Minor"], 1)
        for field, frame in {"Title": "TIT2", "Artist": "TPE1", "TNR": "TRCK", "Year": "TDRC"}.items():
            self.assertEqual(ours["TagV1"][field], str(theirs[frame].text[0]), field)
        self.assertEqual(ours["TagV1"]["Genre"], theirs["TCON"].genres[0])


class StreamFactsFollowTheFormulas(unittest.TestCase):
    def expected(self, path):
        """Stream facts by the formulas, computed independently of our reader."""
        data = read_bytes(path)
        pos = tag_length(data)
        while not (data[pos] == 0xFF and data[pos + 1] & 0xE0 == 0xE0):
            pos += 1
        h1, h2, h3 = data[pos + 1], data[pos + 2], data[pos + 3]
        version = {3: 1, 2: 2, 0: 3}[(h1 >> 3) & 3]
        layer = 4 - ((h1 >> 1) & 3)
        mono = (h3 >> 6) == 3
        frequency = [44100, 48000, 32000][(h2 >> 2) & 3] // {1: 1, 2: 2, 3: 4}[version]
        samples = 1152 if version == 1 else 576
        side = (17 if mono else 32) if version == 1 else (9 if mono else 17)
        xing = data[pos + 4 + side:pos + 4 + side + 16]
        facts = {"Frequency": frequency, "VariableBitrate": False}
        if xing[:4] in (b"Xing", b"Info") and xing[7] & 1 and xing[7] & 2:
            frames, size = struct.unpack(">II", xing[8:16])
            facts["VariableBitrate"] = True
            facts["Bitrate"] = round(size / frames / samples / 125 * frequency)
            facts["LengthSeconds"] = round(frames / frequency * samples)
        else:
            table = {1: [0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320],
                     2: [0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160]}
            facts["Bitrate"] = table[1 if version == 1 else 2][h2 >> 4]
            facts["LengthSeconds"] = round((len(data) - pos) / (facts["Bitrate"] * 125))
        facts["VersionLayer"] = f"version {['', '1', '2', '2.5'][version]} layer {layer}"
        return facts

    def check(self, path):
        ours = kalvex(path)
        self.assertTrue(ours["StreamInfoValid"])
        info = ours["StreamInfo"]
        expected = self.expected(path)
        theirs = MP3Info(path).info
        expected.update(FileSize=os.path.getsize(path), UsesChecksums=theirs.protected,
                        ChannelMode=["Stereo", "Joint stereo", "Dual channel", "Mono"][theirs.mode])
        self.assertEqual({key: info[key] for key in expected}, expected, path)
        self.assertEqual(info["Frequency"], theirs.sample_rate)
        # mutagen leaves the encoder delay out of the length.
        self.assertLessEqual(abs(info["LengthSeconds"] - theirs.length), 1.0)

    def test_each_kind_of_stream(self):
        for path in MP3.values():
            with self.subTest(os.path.basename(path)):
                self.check(path)
        # An Info header of a constant bit rate file gives the rate it names.
        self.assertLessEqual(abs(kalvex(MP3["cbr"])["StreamInfo"]["Bitrate"] - 128), 2)
        self.assertEqual(kalvex(MP3["cbr-plain"])["StreamInfo"]["Bitrate"] * 1000,
                         MP3Info(MP3["cbr-plain"]).info.bitrate)

    def test_tag_in_front_moves_nothing(self):
        self.check(tagged("vbr-tagged.mp3", [id3.TIT2(encoding=3, text="x" * 3000)], "vbr",
                          v2_version=4, padding=lambda info: 1000))



class XKLV(id3.BinaryFrame):
    """A frame id no reader knows; mutagen writes it from the class name."""


def tagged_base(version):
    """A lame file that mutagen has tagged, with frames our record lacks."""
    return tagged("base-2.%d.mp3" % version, [
        id3.TIT2(encoding=3, text="Old title"), id3.TPE1(encoding=1, text="Old artist"),
        id3.TALB(encoding=0, text="Old album"),
        id3.APIC(encoding=3, mime="image/png", type=3, desc="cover",
                 data=b"\x89PNG\r\n\x1a\n" + bytes(range(256)) * 8),
        id3.TXXX(encoding=1, desc="CATALOG", text="KX-0042"),
        id3.PRIV(owner="kalvex.test", data=b"\x00\x01\x02private"),
        id3.POPM(email="rater@example.org", rating=196, count=7),
        id3.USLT(encoding=1, lang="eng", desc="", text="la la\nla"),
        id3.TBPM(encoding=0, text="120"), XKLV(data=b"opaque \xff\x00 bytes")],
        "cbr", v2_version=version)


def kept_frames(path):
    """Frames a rewrite must carry over, as comparable text."""
    tags = id3.ID3(path, translate=False)
    kept = sorted(repr(tags.getall(i)) for i in ("APIC", "TXXX", "PRIV", "POPM", "USLT", "TBPM"))
    unknown = sorted(bytes(f)[4:] if isinstance(f, bytes) else repr(f)
                     for f in tags.unknown_frames)
    return kept, unknown


LATIN = ["Café del Mar", "Ängel", "rock'n'roll", "A", "  padded  "]
OTHER = ["Ωmega", "東京の夜", "Привет, мир", "5 € & “quotes”", "🎵 note", "Łódź"]


def random_text(rng, long_ok=False):
    kind = rng.random()
    if kind < 0.15:
        return ""
    if long_ok and kind > 0.8:
        return "long comment " + "x" * rng.randint(1500, 5000)
    return rng.choice(LATIN + OTHER)


def random_record(rng):
    return {
        "--artist": random_text(rng), "--album": random_text(rng), "--title": random_text(rng),
        "--year": rng.choice(["1999", "2003", ""]), "--genre": rng.choice(["Rock", "Eurodisco", "Pop", ""]),
        "--comment": random_text(rng, long_ok=True), "--track": rng.choice(["3/12", "7", ""]),
        "--encoder": random_text(rng), "--link": rng.choice(["http://example.org/a", ""]),
        "--copyright": random_text(rng), "--composer": random_text(rng),
        "--orig-artist": random_text(rng),
    }


def field_of(option):
    """Our field an option sets: --orig-artist sets OrigArtist."""
    return {"--track": "TNR", "--link": "LinkTo"}.get(option) or option[2:].title().replace("-", "")


class WriteInterop(unittest.TestCase):
    def check_written(self, before_path, path, record, version):
        before = read_bytes(before_path)
        after = read_bytes(path)
        self.assertEqual(after[tag_length(after):], before[tag_length(before):],
                         "the bytes after the tag changed")
        self.assertEqual(id3.ID3(path, translate=False).version[1], version)
        # A blank field is no frame at all.
        self.assertEqual(mutagen_fields(path),
                         {field_of(option): value for option, value in record.items()
                          if value.strip()})
        self.assertEqual(kept_frames(path), kept_frames(before_path))

        probe = json.loads(run("ffprobe", "-v", "error", "-of", "json", "-show_entries",
                               "format=duration:format_tags=title", path).stdout)
        self.assertGreater(float(probe["format"]["duration"]), 2.5)
        eyed3 = run("eyeD3", "--no-color", path).stdout
        self.assertIn("ID3 v2.%d" % version, eyed3)
        title = record["--title"]
        if title.strip():
            self.assertEqual(probe["format"]["tags"]["title"], title)
            self.assertIn("title: " + title, eyed3)

    def test_random_records_over_mutagen_tags(self):
        rng = random.Random(4)
        for base_version in (3, 4):
            base = tagged_base(base_version)
            for case in range(4):
                for version in (3, 4):
                    record = random_record(rng)
                    path = os.path.join(WORK, "case.mp3")
                    shutil.copyfile(base, path)
                    run(CLI, "write", path, "--v2", "2.%d" % version,
                        *[word for option in record.items() for word in option])
                    with self.subTest(base=base_version, case=case, version=version):
                        self.check_written(base, path, record, version)

    def test_every_fuzzed_old_tag_rewrites_to_a_tag_mutagen_reads(self):
        path = os.path.join(WORK, "fuzzed.mp3")
        names = sorted(os.listdir(CORPUS))
        self.assertGreater(len(names), 10)
        for i, name in enumerate(names):
            shutil.copyfile(os.path.join(CORPUS, name), path)
            version = "2.3" if i % 2 else "2.4"
            result = run(CLI, "write", path, "--v2", version, "--title", "Ωmega", "--artist", "Fuzz",
                         check=False)
            with self.subTest(name=name):
                self.assertEqual(result.returncode, 0, result.stderr)
                tags = id3.ID3(path, translate=False)
                self.assertEqual([str(tags.getall(i)[0]) for i in ("TIT2", "TPE1")],
                                 ["Ωmega", "Fuzz"])



@unittest.skipUnless(shutil.which("convert"), "ImageMagick's convert is needed")
class Pictures(unittest.TestCase):
    def test_written_pictures_read_back_alike(self):
        mp3 = os.path.join(WORK, "pictures.mp3")
        shutil.copyfile(MP3["cbr"], mp3)
        front, back, text = (os.path.join(WORK, n) for n in ("front.jpg", "back.png", "notes.png"))
        run("convert", "-size", "300x200", "gradient:red-blue", front)
        run("convert", "-size", "64x32", "xc:green", back)
        images = {"front": read_bytes(front), "back": read_bytes(back)}
        run(CLI, "write", mp3, "--v2", "2.3", "--title", "Song", "--picture", front)
        run(CLI, "write", mp3, "--v2", "2.4", "--picture", back, "--picture-type", "back")
        # A second front cover replaces the first; a cleared tag keeps both pictures.
        run(CLI, "write", mp3, "--v2", "2.4", "--picture", front)
        run(CLI, "write", mp3, "--v2", "2.4", "--clear", "--title", "Cleared")

        tags = id3.ID3(mp3)
        self.assertEqual(sorted((p.type, p.mime, p.data) for p in tags.getall("APIC")),
                         [(3, "image/jpeg", images["front"]), (4, "image/png", images["back"])])
        self.assertEqual(str(tags["TIT2"]), "Cleared")
        probe = json.loads(run("ffprobe", "-v", "error", "-show_streams", "-of", "json",
                               mp3).stdout)
        self.assertEqual(sorted((s["codec_name"], s["width"], s["height"])
                                for s in probe["streams"]
                                if s.get("disposition", {}).get("attached_pic")),
                         [("mjpeg", 300, 200), ("png", 64, 32)])
        eyed3 = run("eyeD3", "--no-color", mp3).stdout
        self.assertIn("FRONT_COVER Image: [Size: %d bytes] [Type: image/jpeg]"
                      % len(images["front"]), eyed3)
        self.assertIn("BACK_COVER Image: [Size: %d bytes] [Type: image/png]"
                      % len(images["back"]), eyed3)
        listed = kalvex(mp3)["Pictures"]
        self.assertEqual(sorted(listed, key=lambda p: p["Type"]), [
            {"Type": name, "Mime": mime, "Description": "", "Bytes": len(images[name]),
             "Width": width, "Height": height, "Sha256": hashlib.sha256(images[name]).hexdigest()}
            for name, mime, width, height in (("back", "image/png", 64, 32),
                                              ("front", "image/jpeg", 300, 200))])

        run(CLI, "write", mp3, "--v2", "2.3", "--remove-pictures")
        self.assertEqual(id3.ID3(mp3).getall("APIC"), [])
        with open(text, "w") as f:
            f.write("not an image\n")
        refused = run(CLI, "write", mp3, "--v2", "2.3", "--picture", text, check=False)
        self.assertEqual(refused.returncode, 1)
        self.assertIn("neither a JPEG nor a PNG image", refused.stderr)


def main():
    global CLI, CORPUS, WORK
    CLI, CORPUS = os.path.abspath(sys.argv.pop(1)), sys.argv.pop(1)
    os.environ["PYTHONIOENCODING"] = "utf-8"  # eyeD3's output
    with tempfile.TemporaryDirectory(prefix="kalvex-interop-") as WORK:
        for name, rate, channels, *options in KINDS:
            MP3[name] = make_mp3(WORK, name, rate, channels, 3, *options)
        unittest.main(verbosity=2)


if __name__ == "__main__":
    main()
