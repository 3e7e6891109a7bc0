#!/usr/bin/python3
"""Checks tags written by `kalvex-cli write` with mutagen, ffprobe and eyeD3.

lame makes real MP3 files; mutagen tags them (v2.3 and v2.4) with a picture,
user text, private, popularimeter and lyrics frames and a frame no library
knows. Random records (Latin and non-Latin text, empty fields, comments long
enough to grow the tag) are then written over them as 2.3 and as 2.4: mutagen
must read every field we wrote and every frame we carried over, ffprobe and
eyeD3 must read the file, and the bytes after the tag must not change. Last,
the writer runs over every old tag of the fuzz corpus and mutagen must parse
what it wrote.

usage: write_interop_test.py PATH/TO/kalvex-cli FUZZ_CORPUS_DIR
"""

import json
import os
import random
import shutil
import sys
import tempfile
import unittest

import mutagen.id3 as id3

from mp3_tools import make_mp3, mutagen_fields, read_bytes, run, tag_length

CLI = None
CORPUS = None
WORK = None


class XKLV(id3.BinaryFrame):
    """A frame id no reader knows; mutagen writes it from the class name."""


def tagged_base(version):
    """A lame file that mutagen has tagged, with frames our record lacks."""
    path = os.path.join(WORK, "base-2.%d.mp3" % version)
    shutil.copyfile(make_mp3(WORK, "tone-%d" % version, 44100, 2, 3, "-b", "128"), path)
    tags = id3.ID3()
    tags.add(id3.TIT2(encoding=3, text="Old title"))
    tags.add(id3.TPE1(encoding=1, text="Old artist"))
    tags.add(id3.TALB(encoding=0, text="Old album"))
    tags.add(id3.APIC(encoding=3, mime="image/png", type=3, desc="cover",
                      data=b"\x89PNG\r\n\x1a\n" + bytes(range(256)) * 8))
    tags.add(id3.TXXX(encoding=1, desc="CATALOG", text="KX-0042"))
    tags.add(id3.PRIV(owner="kalvex.test", data=b"\x00\x01\x02private"))
    tags.add(id3.POPM(email="rater@example.org", rating=196, count=7))
    tags.add(id3.USLT(encoding=1, lang="eng", desc="", text="la la\nla"))
    tags.add(id3.TBPM(encoding=0, text="120"))
    tags.add(XKLV(data=b"opaque \xff\x00 bytes"))
    tags.save(path, v2_version=version)
    return path


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
        theirs = mutagen_fields(path)
        for option, value in record.items():
            got = theirs.get(field_of(option))
            if value.strip() == "":
                self.assertIsNone(got, option)
            else:
                self.assertEqual(got, value, option)
        self.assertEqual(kept_frames(path), kept_frames(before_path))

        probe = json.loads(run("ffprobe", "-v", "error", "-of", "json", "-show_entries",
                               "format=duration:format_tags=title", path).stdout)
        self.assertGreater(float(probe["format"]["duration"]), 2.5)
        if record["--title"].strip():
            self.assertEqual(probe["format"]["tags"]["title"], record["--title"])
        eyed3 = run("eyeD3", "--no-color", path).stdout
        self.assertIn("ID3 v2.%d" % version, eyed3)
        if record["--title"].strip():
            self.assertIn("title: " + record["--title"], eyed3)

    def test_random_records_over_mutagen_tags(self):
        rng = random.Random(4)
        for base_version in (3, 4):
            base = tagged_base(base_version)
            for case in range(4):
                for version in (3, 4):
                    record = random_record(rng)
                    path = os.path.join(WORK, "case.mp3")
                    shutil.copyfile(base, path)
                    args = [CLI, "write", path, "--v2", "2.%d" % version]
                    for option, value in record.items():
                        args += [option, value]
                    run(*args)
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
                self.assertEqual(str(tags.getall("TIT2")[0]), "Ωmega")
                self.assertEqual(str(tags.getall("TPE1")[0]), "Fuzz")


def main():
    global CLI, CORPUS, WORK
    CLI, CORPUS = sys.argv[1], sys.argv[2]
    os.environ["PYTHONIOENCODING"] = "utf-8"  # eyeD3's output
    with tempfile.TemporaryDirectory(prefix="kalvex-write-interop-") as WORK:
        unittest.main(argv=[sys.argv[0], "-v"])


if __name__ == "__main__":
    main()
