#!/usr/bin/python3
"""Small file systems of a chosen kind, mounted for a test that needs one.

`mounted(kind, folder)` makes an image file in `folder`, formats it and mounts
it on a loop device (tmpfs: a tmpfs), and unmounts and removes it afterwards.
Kinds: xfs, xfs-noreflink (an XFS whose files cannot share blocks), btrfs,
ext4, tmpfs. Where that cannot be done here (not root, no loop devices, no
mkfs tool, a kernel without the file system) it raises Unavailable with the
reason: the caller skips.

As a program it runs a command on such a file system, every "{}" in the
command replaced by the mount point, and exits 77 (CTest's skip) with the
reason when the file system cannot be had:

    loop_fs.py KIND FOLDER [--size-mb N] -- COMMAND...
"""

import contextlib
import os
import shutil
import subprocess
import sys
import tempfile

SKIP = 77
SBIN_PATH = os.environ.get("PATH", "") + ":/usr/sbin:/sbin"

# mkfs command and the least size in MB; XFS will not make less than 300 MB.
KINDS = {
    "xfs": (["mkfs.xfs", "-q", "-f"], 300),
    "xfs-noreflink": (["mkfs.xfs", "-q", "-f", "-m", "reflink=0"], 300),
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
    work = tempfile.mkdtemp(prefix="kalvex-%s-" % kind, dir=folder)
    point = os.path.join(work, "mnt")
    os.mkdir(point)
    is_mounted = False
    try:
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
        is_mounted = True
        yield point
    finally:
        if is_mounted and subprocess.run(["umount", point]).returncode != 0:
            subprocess.run(["umount", "-l", point])
        shutil.rmtree(work, ignore_errors=True)


def main():
    args = sys.argv[1:]
    size_mb = None
    if len(args) > 3 and args[2] == "--size-mb":
        size_mb = int(args[3])
        del args[2:4]
    if len(args) < 4 or args[2] != "--" or args[0] not in KINDS:
        print(__doc__, file=sys.stderr)
        return 2
    kind, folder, command = args[0], args[1], args[3:]
    try:
        with mounted(kind, folder, size_mb) as point:
            return subprocess.run([a.replace("{}", point) for a in command]).returncode
    except Unavailable as reason:
        print("SKIP: %s" % reason)
        return SKIP


if __name__ == "__main__":
    sys.exit(main())
