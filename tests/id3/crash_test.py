#!/usr/bin/python3
"""Kills `kalvex-cli write` with SIGKILL while it grows the tag of a large file.

After every kill the file must be byte for byte the original or the complete
new file, and the folder may hold nothing else but the one hidden file a
rewrite works in, which the next write removes. Half of the kills fall at a
random moment of the whole run, the other half at a random moment after the
new file has appeared (the part of the run where damage could happen); only
kills that end a running write count (kill_runs.py).

usage: crash_test.py KALVEX_CLI [--size-mb 128] [--kills 200] [--work DIR]
"""

import argparse
import contextlib
import hashlib
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

from kill_runs import TEMP_NAME, kill_runs

NAME = "track.mp3"


def syncsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def make_original(path, size):
    """A small ID3 v2.3 tag, `size` bytes that stand for the audio, a v1 tag."""
    frame = b"\x00old title\x00"
    body = b"TIT2" + struct.pack(">I", len(frame)) + b"\x00\x00" + frame
    with open(path, "wb") as out:
        out.write(b"ID3\x03\x00\x00" + syncsafe(len(body)) + body)
        out.write(b"\xff\xfb\x90\x64")
        chunk = os.urandom(1 << 20)
        for _ in range(size >> 20):
            out.write(chunk)
        out.write(b"TAG" + b"v1 title".ljust(125, b"\x00"))


def digest(path):
    h = hashlib.sha1()
    with open(path, "rb") as f:
        while block := f.read(1 << 22):
            h.update(block)
    return os.path.getsize(path), h.hexdigest()


def temp_files(folder):
    names = os.listdir(folder)
    unexpected = [n for n in names if n != NAME and not TEMP_NAME.match(n)]
    if unexpected:
        raise AssertionError("unexpected files left: %r" % unexpected)
    return [n for n in names if TEMP_NAME.match(n)]


def temp_identities(folder):
    identities = set()
    for name in temp_files(folder):
        with contextlib.suppress(FileNotFoundError):
            st = os.stat(os.path.join(folder, name))
            identities.add((st.st_ino, st.st_ctime_ns))
    return identities


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("cli")
    parser.add_argument("--size-mb", type=int, default=128)
    parser.add_argument("--kills", type=int, default=200)
    parser.add_argument("--work", default=None)
    parser.add_argument("--seed", type=int, default=None)
    args = parser.parse_args()
    seed = args.seed if args.seed is not None else int(time.time())

    work = tempfile.mkdtemp(prefix="kalvex-crash-", dir=args.work)
    try:
        folder = os.path.join(work, "album")
        os.mkdir(folder)
        pristine = os.path.join(work, "pristine.mp3")
        target = os.path.join(folder, NAME)
        make_original(pristine, args.size_mb << 20)
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
            command, args.kills, seed, prepare, lambda: temp_identities(folder) - stale,
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
                 seed, seen["original"], seen["new"], seen["temp left"]))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
