#!/usr/bin/python3
"""Kills `kalvex-cli write` with SIGKILL while it grows the tag of a large file.

After every kill the file must be byte for byte the original or the complete
new file, and the folder may hold nothing else but the one hidden file a
rewrite works in, which the next write removes. Half of the kills fall at a
random moment of the whole run, the other half at a random moment after the
new file has appeared (the part of the run where damage could happen).

Only a kill that ends a running write (the program dies of SIGKILL) counts:
a signal that comes after the write has finished proves nothing, so the
test goes on until the requested number of kills has ended a running write
(at most 2 * kills + 10 attempts) and reports how many attempts missed. The
moments are drawn from the time a write is sure to run: measured first, and
shortened whenever a write ends before a moment drawn from its start.

usage: crash_test.py KALVEX_CLI [--size-mb 128] [--kills 200] [--work DIR]
"""

import argparse
import hashlib
import os
import random
import re
import select
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


def timed_write(command, folder, watch):
    """One uninterrupted write: seconds until it ended, and (when watching the folder
    as a kill after the new file watches it) until its new file appeared."""
    stale = temp_identities(folder)
    start = time.monotonic()
    child = subprocess.Popen(command, stdout=subprocess.DEVNULL)
    if not watch:
        child.wait()
    appeared = None
    while child.poll() is None:
        if appeared is None and temp_identities(folder) - stale:
            appeared = time.monotonic() - start
        time.sleep(0.0005)
    ended = time.monotonic() - start
    if child.returncode != 0:
        raise AssertionError("the write failed with exit code %d" % child.returncode)
    if watch and appeared is None:
        raise AssertionError("the grown-tag write made no new file")
    return ended, appeared


def runs_for(child, seconds):
    """Waits `seconds` unless the child ends first; True when it still runs."""
    if child.poll() is not None:
        return False
    # An unreaped child's pidfd becomes readable when it ends.
    pidfd = os.pidfd_open(child.pid)
    try:
        return not select.select([pidfd], [], [], seconds)[0]
    finally:
        os.close(pidfd)


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

        # Whole writes give the moments to aim at: a kill is drawn from the
        # shortest write seen, and after the new file has appeared from the
        # shortest time any write still took from there, less a margin. Each
        # is measured as the kills see it: watching the folder slows a write.
        plain, watched = [], []
        complete = None
        for n in range(6):
            shutil.copyfile(pristine, target)
            (watched if n % 2 else plain).append(timed_write(command, folder, n % 2 == 1))
            if complete is None:
                complete = digest(target)
            assert digest(target) == complete and complete != original
            assert not temp_files(folder)
        duration = min(ended for ended, _ in plain)
        after_new_file = min(ended - appeared for ended, appeared in watched)

        counts = {"original": 0, "new": 0, "temp left": 0}
        kills = missed = 0
        attempts_cap = 2 * args.kills + 10
        while kills < args.kills:
            attempt = kills + missed
            if attempt == attempts_cap:
                raise AssertionError("only %d of %d kills ended a running write in %d attempts "
                                     "(seed %d)" % (kills, args.kills, attempt, seed))
            if digest(target) != original:
                shutil.copyfile(pristine, target)
            stale = temp_identities(folder)
            start = time.monotonic()
            child = subprocess.Popen(command, stdout=subprocess.DEVNULL)
            if kills % 2 == 0:
                if not runs_for(child, rng.uniform(0, 0.9 * duration)):
                    duration = min(duration, time.monotonic() - start)
            else:
                # Wait for the new file, then kill somewhere in the copy.
                deadline = time.monotonic() + duration * 2
                while child.poll() is None and not (temp_identities(folder) - stale) \
                        and time.monotonic() < deadline:
                    time.sleep(0.0005)
                runs_for(child, rng.uniform(0, 0.9 * after_new_file))
            child.send_signal(signal.SIGKILL)
            child.wait()
            state = digest(target)
            if state == original:
                outcome = "original"
            elif state == complete:
                outcome = "new"
            else:
                raise AssertionError("attempt %d (seed %d) left a damaged file: %r"
                                     % (attempt, seed, state))
            if child.returncode != -signal.SIGKILL:
                # The write had already ended: it must have succeeded.
                if child.returncode != 0 or outcome != "new" or temp_files(folder):
                    raise AssertionError("attempt %d (seed %d): the write ended with exit "
                                         "code %d, file %s" % (attempt, seed, child.returncode,
                                                               outcome))
                missed += 1
                continue
            kills += 1
            counts[outcome] += 1
            if temp_files(folder):
                counts["temp left"] += 1

        # The next write cleans up what a kill left and completes.
        shutil.copyfile(pristine, target)
        subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
        assert digest(target) == complete, "the write after the kills is incomplete"
        assert not temp_files(folder), "the next write did not remove the old new file"
        print("%d kills ended a running %d MB grown-tag write in %d attempts (%d missed: the "
              "write had ended; shortest write %.3f s, at least %.3f s after the new file, "
              "seed %d): original %d, complete new file %d, damaged 0; a new file was left "
              "behind %d times and removed by the next write"
              % (kills, args.size_mb, kills + missed, missed, duration, after_new_file, seed,
                 counts["original"], counts["new"], counts["temp left"]))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
