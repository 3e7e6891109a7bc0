#!/usr/bin/python3
"""Checks `kalvex-cli tags --json` against mutagen on MP3 files made here.

sox makes a few seconds of tone, lame encodes it (CBR with and without an
Info header, VBR with a Xing header, mono, MPEG 2, MPEG 2.5), mutagen writes
ID3 v2.3 and v2.4 tags in every text encoding, and every field both readers
know must agree. Stream facts are checked against the formulas and, within
what the formulas differ by, against mutagen.

usage: interop_test.py PATH/TO/kalvex-cli
"""

import json
import os
import shutil
import struct
import sys
import tempfile
import unittest

import mutagen.id3 as id3
from mutagen.mp3 import MP3 as MP3Info

from mp3_tools import make_mp3, mutagen_fields, read_bytes, run, syncsafe, tag_length

CLI = None
WORK = None


def copy_of(source, name):
    path = os.path.join(WORK, name)
    shutil.copyfile(source, path)
    return path


def kalvex(path):
    return json.loads(run(CLI, "tags", "--json", path).stdout)[0]


def normalise(text):
    return text.replace("\r\n", "\n")


def first_frame(path):
    """Position and header bytes of the first frame after the ID3 v2 tag."""
    data = read_bytes(path)
    pos = tag_length(data)
    while not (data[pos] == 0xFF and data[pos + 1] & 0xE0 == 0xE0):
        pos += 1
    return data, pos


# Three seconds of tone each: name, sample rate, channels, lame's options
# (CBR with and without an Info header, VBR, mono, MPEG 2, MPEG 2.5).
KINDS = [("cbr", 44100, 2, "-b", "128"), ("cbr-plain", 44100, 2, "-b", "128", "-t"),
         ("vbr", 44100, 2, "-V", "4"), ("mono", 44100, 1, "-b", "64", "-m", "m"),
         ("mpeg2", 44100, 2, "--resample", "22.05", "-b", "64"),
         ("mpeg25", 11025, 1, "-b", "32", "-m", "m")]
MP3 = {}


class TagsAgreeWithMutagen(unittest.TestCase):
    def tag_and_compare(self, name, frames, version, expected=None):
        path = copy_of(MP3["cbr-plain"], name)
        tags = id3.ID3()
        for frame in frames:
            tags.add(frame)
        tags.save(path, v2_version=version)
        ours = kalvex(path)
        self.assertTrue(ours["HasTagV2"])
        self.assertEqual(ours["StreamInfo"]["TagV2Major"], version)
        theirs = mutagen_fields(path)
        self.assertTrue(theirs)
        for field, value in theirs.items():
            self.assertEqual(normalise(ours["TagV2"][field]), normalise(value),
                             f"{name}: {field}")
        for field, value in (expected or {}).items():
            self.assertEqual(ours["TagV2"][field], value, f"{name}: {field}")
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

    def test_comments_with_descriptions(self):
        for encoding in (0, 1, 2, 3):
            for version in (3, 4):
                if version == 3 and encoding in (2, 3):
                    continue  # not in version 2.3
                frames = [id3.COMM(encoding=encoding, lang="deu", desc="Beschreibung \u00e4",
                                   text="Zwei\nZeilen \u00fc")]
                self.tag_and_compare(f"comm-{encoding}-{version}.mp3", frames, version,
                                     {"Comment": "Zwei\r\nZeilen \u00fc"})

    def test_genre_forms(self):
        cases = {"(17)": "Rock", "(17)Rock": "Rock", "Rock": "Rock", "(13)": "Pop",
                 "(RX)": "Remix", "(CR)": "Cover", "Eurodisco": "Eurodisco"}
        for version in (3, 4):
            for text, genre in cases.items():
                frames = [id3.TCON(encoding=0, text=text)]
                self.tag_and_compare(f"tcon-{version}-{len(genre)}.mp3", frames, version,
                                     {"Genre": genre})

    def test_unsynchronised_v23_with_picture(self):
        path = copy_of(MP3["cbr-plain"], "unsync.mp3")
        tags = id3.ID3()
        tags.add(id3.APIC(encoding=0, mime="image/jpeg", type=3, desc="",
                          data=b"\xff\xd8\xff\xe0" + bytes(range(256)) * 8))
        tags.add(id3.TIT2(encoding=0, text="After the picture"))
        tags.save(path, v2_version=3)
        # Unsynchronise the body by hand: mutagen does not write it.
        data = bytearray(read_bytes(path))
        size = data[6] << 21 | data[7] << 14 | data[8] << 7 | data[9]
        body = bytes(data[10:10 + size]).replace(b"\xff", b"\xff\x00")
        with open(path, "wb") as out:
            out.write(b"ID3\x03\x00\x80" + syncsafe(len(body)) + body + bytes(data[10 + size:]))
        self.assertEqual(id3.ID3(path)["TIT2"].text[0], "After the picture")
        self.assertEqual(kalvex(path)["TagV2"]["Title"], "After the picture")

    def test_version1(self):
        path = copy_of(MP3["cbr-plain"], "v1.mp3")
        tags = id3.ID3()
        tags.add(id3.TIT2(encoding=0, text="V1 title \u00e9"))
        tags.add(id3.TPE1(encoding=0, text="V1 artist"))
        tags.add(id3.TRCK(encoding=0, text="7"))
        tags.add(id3.TCON(encoding=0, text="Pop"))
        tags.add(id3.TDRC(encoding=0, text="1987"))
        tags.save(path, v1=2)
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
        data, pos = first_frame(path)
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
        for key, value in self.expected(path).items():
            self.assertEqual(info[key], value, f"{path}: {key}")
        self.assertEqual(info["FileSize"], os.path.getsize(path))
        theirs = MP3Info(path).info
        self.assertEqual(info["Frequency"], theirs.sample_rate)
        self.assertEqual(info["ChannelMode"],
                         ["Stereo", "Joint stereo", "Dual channel", "Mono"][theirs.mode])
        self.assertEqual(info["UsesChecksums"], theirs.protected)
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
        path = copy_of(MP3["vbr"], "vbr-tagged.mp3")
        tags = id3.ID3()
        tags.add(id3.TIT2(encoding=3, text="x" * 3000))
        tags.save(path, v2_version=4, padding=lambda info: 1000)
        self.check(path)


def main():
    global CLI, WORK
    CLI = os.path.abspath(sys.argv.pop(1))
    with tempfile.TemporaryDirectory(prefix="kalvex-interop-") as WORK:
        for name, rate, channels, *options in KINDS:
            MP3[name] = make_mp3(WORK, name, rate, channels, 3, *options)
        unittest.main(verbosity=1)


if __name__ == "__main__":
    main()
