"""What the kill tests share: a program killed with SIGKILL at random moments
of its run until enough kills have ended it while it ran (a kill after its
end proves nothing: those are counted as missed). Half the kills fall after
an event the test names, where damage could happen; the moments are drawn
from the time six whole runs took, shortened whenever a run ends sooner."""

import argparse
import os
import random
import re
import select
import signal
import subprocess
import time

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
