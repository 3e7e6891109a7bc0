#!/usr/bin/python3
"""Kills `kalvex-cli tag-album --album FILE --rename` with SIGKILL over a
12-file album of lame-made MP3s, each with audio of its own (mp3_tools.kill_runs:
half the kills in or just after the renames). After every kill each file
must be there once, whole, under its old or its new name, in the old or the
renamed folder, beside at most one rewrite's hidden file; then a rerun must
complete the job: every file tagged and renamed, the folder renamed.

usage: tag_album_crash_test.py KALVEX_CLI [--kills 100] [--work DIR] [--seed N]
Exit code 77 (skipped) when sox or lame is missing.
"""

import collections
import os
import shutil
import subprocess
import sys
import tempfile

import mutagen.id3

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [os.path.join(HERE, "../id3"), os.path.join(HERE, "../../tools")]
import album_maker  # noqa: E402
from mp3_tools import (SKIP, TEMP_NAME, audio_digest, kill_runs, missing,  # noqa: E402
                       parse_args, read_bytes)

TRACKS = 12
OLD_FOLDER = "Audio CD"
NEW_FOLDER = "Crash Album"
OLD_NAME, NEW_NAME = "Track{0:02d}.mp3", "{0:02d} Song {0}.mp3"


def write_reply(path):
    record = album_maker.xmcd_record("0a0b0c0d", [75] * TRACKS, "Crash Band / " + NEW_FOLDER,
                                     ["Song %d" % n for n in range(1, TRACKS + 1)])
    with open(path, "w", encoding="ascii", newline="\r\n") as out:
        out.write("210 misc 0a0b0c0d CD database entry follows (until terminating `.')\n"
                  + record + ".\n")


def is_tagged(path):
    try:
        return read_bytes(path)[:3] == b"ID3"
    except FileNotFoundError:
        return True  # renamed, so tagged before


def check_whole(work, audio):
    """The folder that exists, after checking every file is there once and whole."""
    folders = [f for f in (OLD_FOLDER, NEW_FOLDER) if os.path.isdir(os.path.join(work, f))]
    assert len(folders) == 1, "album folders present: %r" % folders
    folder = os.path.join(work, folders[0])
    names = set(os.listdir(folder))
    temps = {n for n in names if TEMP_NAME.match(n)}
    assert len(temps) <= 1, "more than one rewrite left behind: %r" % sorted(temps)
    names -= temps
    renamed = tagged = 0
    for n in range(1, TRACKS + 1):
        present = [name for name in (OLD_NAME.format(n), NEW_NAME.format(n)) if name in names]
        assert len(present) == 1, "track %d is there as %r" % (n, present)
        names.discard(present[0])
        renamed += present[0] == NEW_NAME.format(n)
        path = os.path.join(folder, present[0])
        assert audio_digest(path) == audio[n], "the audio of %s was damaged" % present[0]
        tagged += is_tagged(path)
    assert not names, "unexpected files: %r" % sorted(names)
    return folder, renamed, tagged, bool(temps)


def check_complete(work, audio):
    folder, renamed, _, temp_left = check_whole(work, audio)
    assert os.path.basename(folder) == NEW_FOLDER and renamed == TRACKS and not temp_left, \
        "the job is unfinished in %s (%d renamed)" % (folder, renamed)
    for n in range(1, TRACKS + 1):
        tag = mutagen.id3.ID3(os.path.join(folder, NEW_NAME.format(n)))
        assert str(tag["TIT2"]) == "Song %d" % n and str(tag["TRCK"]) == str(n), \
            "track %d has the wrong tag" % n


def main():
    args = parse_args(kills=100)
    if missing("sox", "lame"):
        return SKIP
    with tempfile.TemporaryDirectory(prefix="kalvex-tag-album-crash-", dir=args.work) as work:
        pristine = os.path.join(work, "pristine")
        album_maker.make_album(pristine, [75] * TRACKS)  # one second each, tones of their own
        audio = {n: audio_digest(os.path.join(pristine, OLD_NAME.format(n)))
                 for n in range(1, TRACKS + 1)}
        reply = os.path.join(work, "reply.txt")
        write_reply(reply)
        folder = os.path.join(work, OLD_FOLDER)
        command = [args.cli, "tag-album", folder, "--album", reply, "--rename"]
        seen = collections.Counter()

        def prepare():
            for name in (OLD_FOLDER, NEW_FOLDER):
                shutil.rmtree(os.path.join(work, name), ignore_errors=True)
            shutil.copytree(pristine, folder)

        def killed():
            where, renamed, tagged, temp_left = check_whole(work, audio)
            rerun = subprocess.run(command[:2] + [where] + command[3:],
                                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
            assert rerun.returncode == 0, "the rerun failed: " + rerun.stderr
            check_complete(work, audio)
            seen["all renamed" if renamed == TRACKS else "some renamed" if renamed else
                 "some tagged" if tagged else "untouched"] += 1
            seen["a rewrite left behind"] += temp_left

        # The renames are quick: the kills after the tags fall within 4 ms.
        missed, duration, after_tags = kill_runs(
            command, args.kills, args.seed, prepare,
            lambda: is_tagged(os.path.join(folder, OLD_NAME.format(TRACKS))),
            lambda: check_complete(work, audio), killed, within=0.004)
        print("%d kills ended a running tag-album over %d files in %d attempts (%d missed: the "
              "job had ended; shortest run %.3f s, at least %.3f s after the tags, seed %d): %s; "
              "every file whole, every rerun completed the job"
              % (args.kills, TRACKS, args.kills + missed, missed, duration, after_tags, args.seed,
                 ", ".join("%s %d" % item for item in sorted(seen.items()))))
    return 0


if __name__ == "__main__":
    sys.exit(main())
