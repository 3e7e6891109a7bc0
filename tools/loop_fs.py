#!/usr/bin/python3
"""Small file systems of a chosen kind for the tests and benchmarks: `mounted(kind, folder)`
mounts one on a loop device over an image file in `folder` (or a tmpfs) until
the block ends, and raises Unavailable with the reason where that cannot be
done here (root, loop devices, the mkfs tool or the kernel's support missing).
As a program it runs a command on one, "{}" standing for the mount point, and
exits 77 (CTest's skip) with the reason when it cannot be had:

    loop_fs.py KIND FOLDER [--size-mb N] -- COMMAND...
"""

import argparse
import contextlib
import os
import shutil
import subprocess
import sys
import tempfile

SKIP = 77  # CTest's SKIP_RETURN_CODE

SBIN_PATH = os.environ.get("PATH", "") + ":/usr/sbin:/sbin"

# mkfs command and the least size in MB; XFS will not make less than 300 MB.
KINDS = {
    "xfs": (["mkfs.xfs", "-q", "-f"], 300),
    "xfs-noreflink": (["mkfs.xfs", "-q", "-f", "-m", "reflink=0"], 300),  # cannot share blocks
    "btrfs": (["mkfs.btrfs", "-q", "-f"], 300),
    "ext4": (["mkfs.ext4", "-q", "-F"], 128),
    "tmpfs": (None, 128),
}


class Unavailable(Exception):
    pass


def _run(command, what):
    done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if done.returncode != 0:
        raise Unavailable("%s failed: %s" % (what, done.stdout.strip()))


@contextlib.contextmanager
def mounted(kind, folder, size_mb=None):
    mkfs, least_mb = KINDS[kind]
    size_mb = max(size_mb or 0, least_mb)
    if os.geteuid() != 0:
        raise Unavailable("mounting a file system (%s) needs root" % kind)
    if mkfs and not os.path.exists("/dev/loop-control"):
        raise Unavailable("no loop devices here (/dev/loop-control)")
    tool = mkfs and shutil.which(mkfs[0], path=SBIN_PATH)
    if mkfs and not tool:
        raise Unavailable("%s is not installed (tools/install-deps.sh)" % mkfs[0])
    with tempfile.TemporaryDirectory(prefix="kalvex-%s-" % kind, dir=folder,
                                     ignore_cleanup_errors=True) as work:
        point = os.path.join(work, "mnt")
        os.mkdir(point)
        if mkfs:
            image = os.path.join(work, "image")
            with open(image, "wb") as f:
                f.truncate(size_mb << 20)
            _run([tool] + mkfs[1:] + [image], mkfs[0])
            # The kernel loads the file system's module itself, or the mount fails.
            _run(["mount", "-o", "loop", image, point], "mounting the %s image" % kind)
        else:
            _run(["mount", "-t", "tmpfs", "-o", "size=%dm" % size_mb, "tmpfs", point],
                 "mounting a tmpfs")
        try:
            yield point
        finally:
            if subprocess.run(["umount", point]).returncode != 0:
                subprocess.run(["umount", "-l", point])


def main():
    parser = argparse.ArgumentParser(usage=__doc__.splitlines()[-1].strip())
    parser.add_argument("kind", choices=KINDS)
    parser.add_argument("folder")
    parser.add_argument("--size-mb", type=int)
    parser.add_argument("command", nargs="+")
    args = parser.parse_args()
    try:
        with mounted(args.kind, args.folder, args.size_mb) as point:
            return subprocess.run([a.replace("{}", point) for a in args.command]).returncode
    except Unavailable as reason:
        print("SKIP: %s" % reason)
        return SKIP


if __name__ == "__main__":
    sys.exit(main())
