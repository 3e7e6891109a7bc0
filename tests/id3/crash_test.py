#!/usr/bin/python3
"""Kills `kalvex-cli write` with SIGKILL while it grows the tag of a large file.

After every kill the file must be byte for byte the original or the complete
new file, and the folder may hold nothing else but the one hidden file a
rewrite works in, which the next write removes. Half of the kills fall at a
random moment of the whole run, the other half at a random moment after the
new file has appeared (the part of the run where damage could happen).

usage: crash_test.py KALVEX_CLI [--size-mb 128] [--kills 200] [--work DIR]
"""

import argparse
import hashlib
import os
import random
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

TEMP_NAME = re.compile(r"^\.kalvex-write-[0-9a-f]{16}-[A-Za-z0-9]{6}\.tmp$")
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
        try:
            st = os.stat(os.path.join(folder, name))
            identities.add((st.st_ino, st.st_ctime_ns))
        except FileNotFoundError:
            pass
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
    rng = random.Random(seed)

    work = tempfile.mkdtemp(prefix="kalvex-crash-", dir=args.work)
    try:
        folder = os.path.join(work, "album")
        os.mkdir(folder)
        pristine = os.path.join(work, "pristine.mp3")
        target = os.path.join(folder, NAME)
        make_original(pristine, args.size_mb << 20)
        original = digest(pristine)
        # A title long enough that the new tag cannot fit the old one.
        command = [args.cli, "write", target, "--v2", "2.3", "--title", "T" * 1500,
                   "--comment", "written while being killed"]

        shutil.copyfile(pristine, target)
        start = time.monotonic()
        subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
        duration = time.monotonic() - start
        complete = digest(target)
        assert complete != original and not temp_files(folder)

        counts = {"original": 0, "new": 0, "temp left": 0}
        for kill in range(args.kills):
            if digest(target) != original:
                shutil.copyfile(pristine, target)
            stale = temp_identities(folder)
            child = subprocess.Popen(command, stdout=subprocess.DEVNULL)
            if kill % 2 == 0:
                time.sleep(rng.uniform(0, duration))
            else:
                # Wait for the new file, then kill somewhere in the copy.
                deadline = time.monotonic() + duration * 2
                while child.poll() is None and not (temp_identities(folder) - stale) \
                        and time.monotonic() < deadline:
                    time.sleep(0.0005)
                time.sleep(rng.uniform(0, duration * 0.8))
            child.send_signal(signal.SIGKILL)
            child.wait()
            state = digest(target)
            if state == original:
                counts["original"] += 1
            elif state == complete:
                counts["new"] += 1
            else:
                raise AssertionError("kill %d (seed %d) left a damaged file: %r"
                                     % (kill, seed, state))
            if temp_files(folder):
                counts["temp left"] += 1

        # The next write cleans up what a kill left and completes.
        shutil.copyfile(pristine, target)
        subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
        assert digest(target) == complete, "the write after the kills is incomplete"
        assert not temp_files(folder), "the next write did not remove the old new file"
        print("%d kills of a %d MB grown-tag write (one write %.2f s, seed %d): "
              "original %d, complete new file %d, damaged 0; a new file was left behind "
              "%d times and removed by the next write"
              % (args.kills, args.size_mb, duration, seed, counts["original"], counts["new"],
                 counts["temp left"]))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
