#!/usr/bin/python3
"""Kills `kalvex-cli tag-album --album FILE --rename` with SIGKILL at random moments.

The album is 12 real MP3s (sox audio encoded by lame), each with audio of its
own. After every kill each file must be whole (its audio bytes as encoded)
under its old or its new name, in the old or the renamed folder; no file may
be missing or doubled, and nothing else may be there but the one hidden file
a tag rewrite works in. Then a rerun must complete the job: every file tagged
and renamed, the folder renamed, nothing left over.

Only a kill that ends a running tag-album (it dies of SIGKILL) counts: the
test goes on until the requested number of kills has ended a running job (at
most 2 * kills + 10 attempts) and reports how many attempts missed because
the job had already ended (then the job must be complete). The moments are
drawn from the time a job is sure to run: measured first, and shortened
whenever a job ends before a moment drawn from its start.

usage: tag_album_crash_test.py KALVEX_CLI [--kills 100] [--work DIR] [--seed N]
Exit code 77 (skipped) when sox or lame is missing.
"""

import argparse
import collections
import hashlib
import os
import random
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import mutagen.id3

TRACKS = 12
OLD_FOLDER = "Audio CD"
NEW_FOLDER = "Crash Album"
TEMP_NAME = re.compile(r"^\.kalvex-write-[0-9a-f]{16}-[A-Za-z0-9]{6}\.tmp$")


def old_name(n):
    return "Track%02d.mp3" % n


def new_name(n):
    return "%02d Song %d.mp3" % (n, n)


def write_reply(path):
    lines = ["210 misc 0a0b0c0d CD database entry follows (until terminating `.')",
             "DISCID=0a0b0c0d", "DTITLE=Crash Band / " + NEW_FOLDER, "DYEAR=2001"]
    lines += ["TTITLE%d=Song %d" % (n - 1, n) for n in range(1, TRACKS + 1)] + ["."]
    with open(path, "w", encoding="ascii") as out:
        out.write("\r\n".join(lines) + "\r\n")


def make_album(folder, scratch):
    """Twelve one-second MP3s, each a tone of its own."""
    os.mkdir(folder)
    for n in range(1, TRACKS + 1):
        wav = os.path.join(scratch, "tone.wav")
        subprocess.run(["sox", "-n", "-r", "44100", "-c", "2", wav, "synth", "1", "sine",
                        str(200 + 70 * n)], check=True)
        subprocess.run(["lame", "--quiet", "-b", "128", wav, os.path.join(folder, old_name(n))],
                       check=True)


def audio_digest(path):
    """The bytes between an ID3 v2 tag at the start and an ID3 v1 tag at the end."""
    with open(path, "rb") as f:
        data = f.read()
    start = 0
    if data[:3] == b"ID3" and len(data) >= 10:
        size = (data[6] << 21) | (data[7] << 14) | (data[8] << 7) | data[9]
        start = 10 + size + (10 if data[5] & 0x10 else 0)
    end = len(data) - 128 if data[-128:-125] == b"TAG" else len(data)
    return hashlib.sha1(data[start:end]).hexdigest()


def is_tagged(path):
    with open(path, "rb") as f:
        return f.read(3) == b"ID3"


def timed_job(command, last_track=None):
    """One uninterrupted job: seconds until it ended, and (with `last_track`, watched
    as a kill after the tags watches it) until the last track was tagged."""
    start = time.monotonic()
    child = subprocess.Popen(command, stdout=subprocess.DEVNULL)
    if last_track is None:
        child.wait()
    tagged = None
    while child.poll() is None:
        if tagged is None:
            try:
                if is_tagged(last_track):
                    tagged = time.monotonic() - start
            except FileNotFoundError:
                tagged = time.monotonic() - start
        time.sleep(0.0002)
    ended = time.monotonic() - start
    if child.returncode != 0:
        raise AssertionError("tag-album failed with exit code %d" % child.returncode)
    return ended, (ended if tagged is None else tagged)


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


def wait_for_tag(child, path, duration):
    deadline = time.monotonic() + duration * 2
    while child.poll() is None and time.monotonic() < deadline:
        try:
            if is_tagged(path):
                return
        except FileNotFoundError:
            return
        time.sleep(0.0002)


def check_whole(work, audio):
    """The folder that exists, after checking every file is there once and whole."""
    folders = [f for f in (OLD_FOLDER, NEW_FOLDER) if os.path.isdir(os.path.join(work, f))]
    if len(folders) != 1:
        raise AssertionError("album folders present: %r" % folders)
    folder = os.path.join(work, folders[0])
    names = set(os.listdir(folder))
    temps = {n for n in names if TEMP_NAME.match(n)}
    if len(temps) > 1:
        raise AssertionError("more than one rewrite left behind: %r" % sorted(temps))
    names -= temps
    renamed = tagged = 0
    for n in range(1, TRACKS + 1):
        present = [name for name in (old_name(n), new_name(n)) if name in names]
        if len(present) != 1:
            raise AssertionError("track %d is there as %r" % (n, present))
        names.discard(present[0])
        renamed += present[0] == new_name(n)
        path = os.path.join(folder, present[0])
        if audio_digest(path) != audio[n]:
            raise AssertionError("the audio of %s was damaged" % present[0])
        tagged += is_tagged(path)
    if names:
        raise AssertionError("unexpected files: %r" % sorted(names))
    return folder, renamed, tagged, bool(temps)


def check_complete(work, audio):
    folder, renamed, _, temp_left = check_whole(work, audio)
    assert os.path.basename(folder) == NEW_FOLDER and renamed == TRACKS and not temp_left, \
        "the rerun left the job unfinished in %s (%d renamed)" % (folder, renamed)
    for n in range(1, TRACKS + 1):
        tag = mutagen.id3.ID3(os.path.join(folder, new_name(n)))
        assert str(tag["TIT2"]) == "Song %d" % n and str(tag["TRCK"]) == str(n), \
            "track %d has the wrong tag" % n


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("cli")
    parser.add_argument("--kills", type=int, default=100)
    parser.add_argument("--work", default=None)
    parser.add_argument("--seed", type=int, default=None)
    args = parser.parse_args()
    if not (shutil.which("sox") and shutil.which("lame")):
        print("sox and lame are needed to make the album; skipped")
        return 77
    seed = args.seed if args.seed is not None else int(time.time())
    rng = random.Random(seed)

    work = tempfile.mkdtemp(prefix="kalvex-tag-album-crash-", dir=args.work)
    try:
        pristine = os.path.join(work, "pristine")
        make_album(pristine, work)
        audio = {n: audio_digest(os.path.join(pristine, old_name(n)))
                 for n in range(1, TRACKS + 1)}
        reply = os.path.join(work, "reply.txt")
        write_reply(reply)

        def fresh_album():
            for folder in (OLD_FOLDER, NEW_FOLDER):
                shutil.rmtree(os.path.join(work, folder), ignore_errors=True)
            shutil.copytree(pristine, os.path.join(work, OLD_FOLDER))

        def command(folder):
            return [args.cli, "tag-album", folder, "--album", reply, "--rename"]

        last_track = os.path.join(work, OLD_FOLDER, old_name(TRACKS))
        # Whole jobs give the moments to aim at: a kill is drawn from the
        # shortest job seen, and after the last track is tagged from the
        # shortest time any job still took from there, less a margin. Each is
        # measured as the kills see it: watching the last track slows a job.
        plain, watched = [], []
        for n in range(6):
            fresh_album()
            timing = timed_job(command(os.path.join(work, OLD_FOLDER)),
                               last_track if n % 2 else None)
            (watched if n % 2 else plain).append(timing)
            check_complete(work, audio)
        duration = min(ended for ended, _ in plain)
        after_tags = min(ended - tagged for ended, tagged in watched)

        seen = collections.Counter()
        kills = missed = 0
        attempts_cap = 2 * args.kills + 10
        while kills < args.kills:
            attempt = kills + missed
            if attempt == attempts_cap:
                raise AssertionError("only %d of %d kills ended a running job in %d attempts "
                                     "(seed %d)" % (kills, args.kills, attempt, seed))
            fresh_album()
            start = time.monotonic()
            child = subprocess.Popen(command(os.path.join(work, OLD_FOLDER)),
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            if kills % 2 == 0:
                if not runs_for(child, rng.uniform(0, 0.9 * duration)):
                    duration = min(duration, time.monotonic() - start)
            else:
                # The renames are quick: kill in or just after them.
                wait_for_tag(child, last_track, duration)
                runs_for(child, rng.uniform(0, min(0.004, 0.9 * after_tags)))
            child.send_signal(signal.SIGKILL)
            child.wait()
            try:
                if child.returncode != -signal.SIGKILL:
                    # The job had already ended: it must have finished it.
                    assert child.returncode == 0, \
                        "tag-album ended with exit code %d" % child.returncode
                    check_complete(work, audio)
                    missed += 1
                    continue
                folder, renamed, tagged, temp_left = check_whole(work, audio)
                rerun = subprocess.run(command(folder), stdout=subprocess.DEVNULL,
                                       stderr=subprocess.PIPE, text=True)
                assert rerun.returncode == 0, "the rerun failed: " + rerun.stderr
                check_complete(work, audio)
            except AssertionError as error:
                raise AssertionError("attempt %d (seed %d): %s" % (attempt, seed, error)) \
                    from None
            kills += 1
            seen["all renamed" if renamed == TRACKS else "some renamed" if renamed else
                 "some tagged" if tagged else "untouched"] += 1
            seen["a rewrite left behind"] += temp_left

        print("%d kills ended a running tag-album over %d files in %d attempts (%d missed: the "
              "job had ended; shortest run %.3f s, at least %.3f s after the tags, seed %d): %s; "
              "every file whole, every rerun completed the job"
              % (kills, TRACKS, kills + missed, missed, duration, after_tags, seed, ", ".join(
                     "%s %d" % item for item in sorted(seen.items()))))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
