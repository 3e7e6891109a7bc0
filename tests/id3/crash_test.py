#!/usr/bin/python3
"""Kills `kalvex-cli write` with SIGKILL while it grows the tag of a large file
(mp3_tools.kill_runs: half the kills after the new file has appeared). After
every kill the file must be byte for byte the original or the complete new
file, and the folder may hold nothing else but the one hidden file a rewrite
works in, which the next write removes.

usage: crash_test.py KALVEX_CLI [--size-mb 128] [--kills 200] [--work DIR]
"""

import contextlib
import os
import shutil
import subprocess
import sys
import tempfile

from mp3_tools import TEMP_NAME, digest, kill_runs, parse_args, write_tagged

NAME = "track.mp3"


def temp_files(folder):
    """The hidden files of rewrites in `folder`, which holds nothing else but the track."""
    names = set(os.listdir(folder)) - {NAME}
    temps = {name for name in names if TEMP_NAME.match(name)}
    assert names == temps, "unexpected files left: %r" % sorted(names - temps)
    return temps


def temp_identities(folder):
    identities = set()
    for name in temp_files(folder):
        with contextlib.suppress(FileNotFoundError):
            st = os.stat(os.path.join(folder, name))
            identities.add((st.st_ino, st.st_ctime_ns))
    return identities


def main():
    args = parse_args(kills=200, size_mb=128)

    with tempfile.TemporaryDirectory(prefix="kalvex-crash-", dir=args.work) as work:
        folder = os.path.join(work, "album")
        os.mkdir(folder)
        pristine = os.path.join(work, "pristine.mp3")
        target = os.path.join(folder, NAME)
        write_tagged(pristine, args.size_mb << 20)
        original = digest(pristine)
        shutil.copyfile(pristine, target)
        # A title long enough that the new tag cannot fit the old one.
        command = [args.cli, "write", target, "--v2", "2.3", "--title", "T" * 1500,
                   "--comment", "written while being killed"]

        stale = set()
        seen = {"original": 0, "new": 0, "temp left": 0}
        complete = None

        def prepare():
            nonlocal stale
            if digest(target) != original:
                shutil.copyfile(pristine, target)
            stale = temp_identities(folder)

        def finished():
            nonlocal complete
            state = digest(target)
            complete = complete or state
            assert state == complete != original, "the write left no complete file"
            assert not temp_files(folder), "a finished write left its new file"

        def killed():
            state = digest(target)
            assert state in (original, complete), "a damaged file: %r" % (state,)
            seen["original" if state == original else "new"] += 1
            seen["temp left"] += bool(temp_files(folder))

        missed, duration, after_new_file = kill_runs(
            command, args.kills, args.seed, prepare, lambda: temp_identities(folder) - stale,
            finished, killed)

        # The next write cleans up what a kill left and completes.
        shutil.copyfile(pristine, target)
        subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
        assert digest(target) == complete, "the write after the kills is incomplete"
        assert not temp_files(folder), "the next write did not remove the old new file"
        print("%d kills ended a running %d MB grown-tag write in %d attempts (%d missed: the "
              "write had ended; shortest write %.3f s, at least %.3f s after the new file, "
              "seed %d): original %d, complete new file %d, damaged 0; a new file was left "
              "behind %d times and removed by the next write"
              % (args.kills, args.size_mb, args.kills + missed, missed, duration, after_new_file,
                 args.seed, seen["original"], seen["new"], seen["temp left"]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
