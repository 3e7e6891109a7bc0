#!/usr/bin/python3
"""kalvex-cli tag-library over lame-made albums that CDDB (some twice, a choice
left), MusicBrainz or nobody knows, with the project's CDDB server and
MusicBrainz stand-in on 127.0.0.1. A run tags and renames every album with one
match and lists the rest; a second changes nothing; runs killed with SIGKILL
(mp3_tools.kill_runs), each finished by a rerun, leave every file of every album
once, under its old or new name, with its audio as encoded.

usage: tag_library_test.py KALVEX_CLI [--albums 8] [--kills 6] [--seed N]
Exit code 77 (skipped) when sox, lame or ImageMagick's convert is missing.
"""

import json
import os
import random
import shutil
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [os.path.join(HERE, "../id3"), os.path.join(HERE, "../../tools")]
import album_maker  # noqa: E402
import mutagen.id3 as id3  # noqa: E402
from mp3_tools import (SKIP, audio_digest, kill_runs, missing, parse_args,  # noqa: E402
                       read_bytes, run, snapshot, start_server)


class Library:
    """The albums: their lengths, who knows them, and their files' audio."""

    def __init__(self, cli, work, count, rng):
        self.albums = []
        self.cddb, self.musicbrainz, self.pristine, self.covers = (
            os.path.join(work, name) for name in ("cddb", "musicbrainz", "pristine", "covers"))
        os.makedirs(self.musicbrainz)
        os.makedirs(self.covers)
        cover = os.path.join(work, "cover.jpg")
        run("convert", "-size", "120x120", "gradient:gold-navy", cover)
        self.cover = read_bytes(cover)
        for n in range(count):
            lengths = album_maker.random_lengths(rng, rng.randint(3, 6), 4, 9)
            # A first track of its own length keeps each disc apart from the
            # others, also for the lookups by nearness.
            lengths[0] = (10 + 7 * n) * 75
            folder = os.path.join(self.pristine, "Rip %02d" % n)
            album_maker.make_album(folder, lengths)
            disc = json.loads(run(cli, "discid", "--json", "--toc",
                                  album_maker.toc_text(lengths)).stdout)
            titles = ["Song %d" % t for t in range(len(lengths))]
            # Who knows it decides what a run must do with it.
            known = ["cddb", "twice", "musicbrainz", "nobody"][n % 4]
            if known in ("cddb", "twice"):
                album_maker.write_cddb_record(self.cddb, "rock", disc["DiscId"], lengths,
                                              "Library Band / Album %02d" % n, titles)
            if known == "twice":
                album_maker.write_cddb_record(self.cddb, "misc", disc["DiscId"], lengths,
                                              "Other Band / Other %02d" % n, titles)
            release = "00000000-0000-4000-8000-%012d" % n
            if known == "musicbrainz":
                album_maker.write_musicbrainz_release(
                    self.musicbrainz, release, disc["MusicBrainzId"], lengths, "Library Band",
                    "Album %02d" % n, titles)
            # Every other album from MusicBrainz has a front cover in the archive.
            covered = known == "musicbrainz" and n % 8 == 2
            if covered:
                shutil.copy(cover, os.path.join(self.covers, release + ".jpg"))
            self.albums.append({"n": n, "known": known, "covered": covered, "audio": {
                f: audio_digest(os.path.join(folder, f)) for f in sorted(os.listdir(folder))}})

    def fresh_copy(self, root):
        shutil.rmtree(root, ignore_errors=True)
        shutil.copytree(self.pristine, root)

    def check_whole(self, root, finished, musicbrainz=True):
        """Every file of every album once, whole; with `finished`, every album
        that has one match (at the services asked) tagged and renamed, the
        others untouched."""
        folders = set(os.listdir(root))
        for album in self.albums:
            n = album["n"]
            names = [f for f in ("Rip %02d" % n, "Album %02d" % n) if f in folders]
            assert len(names) == 1, "album %d is there as %r" % (n, names)
            folder = os.path.join(root, names[0])
            files = [f for f in os.listdir(folder) if not f.startswith(".kalvex-write-")]
            assert len(files) == len(album["audio"]), "album %d holds %r" % (n, files)
            for track, (old, digest) in enumerate(album["audio"].items(), 1):
                present = [f for f in (old, "%02d Song %d.mp3" % (track, track - 1)) if f in files]
                assert len(present) == 1, "album %d: %s is there as %r" % (n, old, present)
                assert audio_digest(os.path.join(folder, present[0])) == digest, \
                    "album %d: the audio of %s was damaged" % (n, present[0])
            if finished:
                tagged = album["known"] == "cddb" or (album["known"] == "musicbrainz" and
                                                      musicbrainz)
                assert names[0] == ("Album %02d" % n if tagged else "Rip %02d" % n), \
                    "album %d (%s) ended as %s" % (n, album["known"], names[0])

    def check_covers(self, root):
        """The archive's front cover in every file of an album that has one,
        no picture in the others."""
        for album in self.albums:
            folder = os.path.join(root, "Album %02d" % album["n"])
            if not os.path.isdir(folder):
                continue
            for name in os.listdir(folder):
                pictures = [(p.type, p.mime, p.data) for p in
                            id3.ID3(os.path.join(folder, name)).getall("APIC")]
                want = [(3, "image/jpeg", self.cover)] if album["covered"] else []
                assert pictures == want, "album %d, %s: pictures %r" % (
                    album["n"], name, [(t, m, len(d)) for t, m, d in pictures])


def tag_library(cli, root, options):
    done = run(cli, "tag-library", root, "--rename", "--optimise", "--json", *options,
               check=False)
    return done.returncode, [json.loads(line) for line in done.stdout.splitlines()], done.stderr


def main():
    args = parse_args(kills=6, albums=8)
    if missing("sox", "lame", "convert"):
        return SKIP
    seed = args.seed
    with tempfile.TemporaryDirectory(prefix="kalvex-library-", dir=args.work) as work:
        library = Library(args.cli, work, args.albums, random.Random(seed))
        servers = [start_server("cddb_server.py", "--db", library.cddb),
                   start_server("musicbrainz_server.py", "--db", library.musicbrainz,
                                "--covers", library.covers)]
        both = ["--server", servers[0].url, "--musicbrainz-server", servers[1].url,
                "--cover-server", servers[1].url]
        root = os.path.join(work, "library")

        library.fresh_copy(root)
        code, albums, err = tag_library(args.cli, root, both)
        statuses = {a["Folder"].rsplit("/", 1)[-1]: a["Status"] for a in albums}
        for album in library.albums:
            want = "tagged" if album["known"] in ("cddb", "musicbrainz") else "left"
            assert statuses["Rip %02d" % album["n"]] == want, \
                "seed %d: album %d (%s) was %s: %s" % (seed, album["n"], album["known"],
                                                       statuses, err)
        twice = [a for a in albums if a["Folder"].endswith("Rip %02d" % 1)][0]
        assert len(twice["Matches"]) == 2, twice
        assert code == 1, "a run that left albums exits 1"
        library.check_whole(root, finished=True)
        library.check_covers(root)
        for album in library.albums:
            if album["known"] == "musicbrainz" and not album["covered"]:
                said = " ".join(a for b in albums if b["Folder"].endswith("Rip %02d" % album["n"])
                                for a in b["Messages"])
                assert "has no front cover" in said, said

        before = snapshot(root)
        code, albums, err = tag_library(args.cli, root, both)
        assert snapshot(root) == before, "seed %d: the second run changed files" % seed
        assert {a["Status"] for a in albums} == {"done before", "left"}, albums

        # Killed runs (CDDB alone, for speed), each finished by a rerun.
        cddb_only = ["--server", servers[0].url, "--source", "cddb"]

        def killed():
            library.check_whole(root, finished=False)
            tag_library(args.cli, root, cddb_only)
            library.check_whole(root, finished=True, musicbrainz=False)

        # The albums left for a choice or unknown make every whole run exit 1.
        missed, _, _ = kill_runs(
            [args.cli, "tag-library", root, "--rename", "--optimise", *cddb_only], args.kills,
            seed, lambda: library.fresh_copy(root),
            lambda: os.path.isdir(os.path.join(root, "Album 00")),
            lambda: library.check_whole(root, finished=True, musicbrainz=False), killed,
            exit_code=1)
        print("%d albums (seed %d): one run tagged and renamed every album with one match and "
              "left the rest, a second changed nothing; %d kills (%d missed), each finished by a "
              "rerun, left every album whole" % (args.albums, seed, args.kills, missed))
    return 0


if __name__ == "__main__":
    sys.exit(main())
