"""What the Python tests share: MP3s made by sox and lame or from plain bytes,
the programs and test servers they run, digests of files and folders, the
fields mutagen reads from a file's ID3 v2 tag (named as ours are), and the
kill tests' runs.

kill_runs kills a program with SIGKILL at random moments of its run until
enough kills have ended it while it ran (a kill after its end proves nothing:
those are counted as missed). Half the kills fall after an event the test
names, where damage could happen; the moments are drawn from the time six
whole runs took, shortened whenever a run ends sooner."""

import argparse
import atexit
import hashlib
import os
import random
import re
import select
import shutil
import signal
import subprocess
import sys
import time

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SKIP = 77  # CTest's SKIP_RETURN_CODE


def run(*command, check=True):
    return subprocess.run(command, check=check, capture_output=True, text=True,
                          errors="replace")


def missing(*tools):
    """Whether a tool is not installed; says so, for a test that then skips."""
    lacking = [tool for tool in tools if not shutil.which(tool)]
    if lacking:
        print("%s needed and not installed; skipped" % ", ".join(lacking))
    return bool(lacking)


def start_server(script, *options):
    """tools/`script` on a free port of 127.0.0.1 until the test ends; the
    process, its `port` and `url` set."""
    server = subprocess.Popen([sys.executable, os.path.join(SOURCE, "tools", script),
                               "--port", "0", *options], stdout=subprocess.PIPE, text=True)
    line = server.stdout.readline()
    if not line.startswith("PORT "):
        server.kill()
        raise RuntimeError("%s did not start: %r" % (script, line))
    server.port = int(line.split()[1])
    server.url = "http://127.0.0.1:%d" % server.port
    atexit.register(server.kill)
    return server


def make_mp3(folder, name, rate, channels, seconds, *lame_args):
    wav = os.path.join(folder, name + ".wav")
    mp3 = os.path.join(folder, name + ".mp3")
    run("sox", "-n", "-r", str(rate), "-c", str(channels), "-b", "16", wav,
        "synth", str(seconds), "sine", "440")
    run("lame", "--quiet", *lame_args, wav, mp3)
    return mp3


def syncsafe(n):
    return bytes((n >> shift) & 0x7F for shift in (21, 14, 7, 0))


def write_tagged(path, audio_bytes, tag_length=0):
    """An ID3 v2.3 tag holding an old title (padded to `tag_length` bytes),
    random bytes for the audio and an ID3 v1 tag; returns what follows the v2
    tag."""
    frame = b"TIT2\0\0\0\x0b\0\0\0old title\0"
    body = frame.ljust(tag_length - 10, b"\0")
    rest = b"\xff\xfb\x90\x64" + os.urandom(audio_bytes - 4) + b"TAGv1 title".ljust(128, b"\0")
    with open(path, "wb") as out:
        out.write(b"ID3\3\0\0" + syncsafe(len(body)) + body + rest)
    return rest


def read_bytes(path):
    with open(path, "rb") as file:
        return file.read()


def tag_length(data):
    """Bytes of the ID3 v2 tag at the start of `data`, its footer included."""
    if data[:3] != b"ID3":
        return 0
    size = data[6] << 21 | data[7] << 14 | data[8] << 7 | data[9]
    return 10 + size + (10 if data[3] == 4 and data[5] & 0x10 else 0)


def digest(path):
    return hashlib.sha1(read_bytes(path)).hexdigest()


def audio_digest(path):
    """Of the bytes between an ID3 v2 tag at the start and an ID3 v1 tag at the end."""
    data = read_bytes(path)
    end = len(data) - 128 if data[-128:-125] == b"TAG" else len(data)
    return hashlib.sha1(data[tag_length(data):end]).hexdigest()


def snapshot(root):
    """Every file below `root` by its relative path, with its bytes."""
    paths = [os.path.join(folder, name) for folder, _, names in os.walk(root) for name in names]
    return {os.path.relpath(path, root): read_bytes(path) for path in paths}


# Our field, the mutagen frame it comes from.
FRAME_OF = {
    "Artist": "TPE1", "Album": "TALB", "Title": "TIT2", "TNR": "TRCK", "Encoder": "TENC",
    "Copyright": "TCOP", "Composer": "TCOM", "OrigArtist": "TOPE",
}


def mutagen_fields(path):
    """The twelve fields as mutagen reads them (only those present)."""
    import mutagen.id3 as id3
    tags = id3.ID3(path)
    fields = {field: tags.getall(frame)[-1].text[0] for field, frame in FRAME_OF.items()
              if tags.getall(frame)}
    if tags.getall("TCON"):
        fields["Genre"] = tags.getall("TCON")[-1].genres[0]
    year = tags.getall("TYER") or tags.getall("TDRC")
    if year:
        fields["Year"] = str(year[-1].text[0])[:4]
    if tags.getall("COMM"):
        fields["Comment"] = tags.getall("COMM")[-1].text[0]
    if tags.getall("WXXX"):
        fields["LinkTo"] = tags.getall("WXXX")[-1].url
    return fields


TEMP_NAME = re.compile(r"^\.kalvex-write-[0-9a-f]{16}-[A-Za-z0-9]{6}\.tmp$")


def parse_args(kills, **more):
    """KALVEX_CLI [--kills N] [--work DIR] [--seed N], and the test's own
    integer options with their defaults."""
    parser = argparse.ArgumentParser()
    parser.add_argument("cli")
    parser.add_argument("--work", default=None)
    parser.add_argument("--seed", type=int, default=int(time.time()))
    for name, default in dict(more, kills=kills).items():
        parser.add_argument("--" + name.replace("_", "-"), type=int, default=default)
    return parser.parse_args()


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


def until(child, event, seconds):
    """Polls `event()` while the child runs, for at most `seconds`; the time it
    took to come true, or None."""
    start = time.monotonic()
    while child.poll() is None and time.monotonic() - start < seconds:
        if event():
            return time.monotonic() - start
        time.sleep(0.0002)
    return None


def kill_runs(command, kills, seed, prepare, event, finished, killed, within=float("inf"),
              exit_code=0):
    """Runs `command` after `prepare()` each time, killing it `kills` times.
    `finished()` checks what a run that ended by itself (with `exit_code`)
    left, `killed()` what a kill left; either raises AssertionError. After the
    event the kill falls within `within` seconds at most. Returns the attempts
    missed, the shortest run and the shortest time a run still took after the
    event."""
    rng = random.Random(seed)
    plain, watched = [], []
    # Every second timed run is watched for the event as the kills watch it,
    # since watching slows a run.
    for n in range(6):
        prepare()
        start = time.monotonic()
        child = subprocess.Popen(command, stdout=subprocess.DEVNULL)
        seen = until(child, event, float("inf")) if n % 2 else None
        if child.wait() != exit_code:
            raise AssertionError("%s failed with exit code %d" % (command[1], child.returncode))
        ended = time.monotonic() - start
        if n % 2 and seen is None:
            raise AssertionError("a whole run of %s showed no sign of its event" % command[1])
        (watched if n % 2 else plain).append(ended - (seen or 0))
        finished()
    duration, after_event = min(plain), min(watched)

    done = missed = 0
    while done < kills:
        attempt = done + missed
        if attempt == 2 * kills + 10:
            raise AssertionError("only %d of %d kills ended a running program in %d attempts "
                                 "(seed %d)" % (done, kills, attempt, seed))
        prepare()
        start = time.monotonic()
        child = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if done % 2 == 0:
            if not runs_for(child, rng.uniform(0, 0.9 * duration)):
                duration = min(duration, time.monotonic() - start)
        else:
            until(child, event, 2 * duration)
            runs_for(child, rng.uniform(0, min(within, 0.9 * after_event)))
        child.send_signal(signal.SIGKILL)
        child.wait()
        try:
            if child.returncode == -signal.SIGKILL:
                killed()
                done += 1
            else:
                # The program had already ended: it must have finished its work.
                assert child.returncode == exit_code, "it ended with %d" % child.returncode
                finished()
                missed += 1
        except AssertionError as error:
            raise AssertionError("attempt %d (seed %d): %s" % (attempt, seed, error)) from None
    return missed, duration, after_event
