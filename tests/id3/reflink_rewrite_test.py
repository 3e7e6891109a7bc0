#!/usr/bin/python3
"""A grown or removed ID3 v2 tag shares the audio's blocks where it can: on
XFS and btrfs (loop images made here) the audio stays byte for byte, its
extents past the head are shared (FIEMAP) and free space drops by no more
than the head; a removal shares them only when the old tag is a whole number
of blocks. Where blocks cannot be shared (an XFS without reflinks, a btrfs
folder without copy-on-write, ext4, tmpfs) the audio is copied.

usage: reflink_rewrite_test.py KALVEX_CLI --fs xfs|btrfs|copy --work DIR
Exits 77 (CTest's skip) with the reasons when nothing can be mounted here.
"""

import argparse
import fcntl
import os
import shutil
import struct
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [HERE, os.path.join(HERE, "../../tools")]
import loop_fs  # noqa: E402
from mp3_tools import SKIP, read_bytes, tag_length, write_tagged  # noqa: E402

AUDIO = 32 << 20
FS_IOC_FIEMAP = 0xC020660B
EXTENT_LAST, EXTENT_SHARED = 0x1, 0x2000

# Each --fs runs these kinds, and whether their files can share blocks.
GROUPS = {
    "xfs": [("xfs", True), ("xfs-noreflink", False)],
    "btrfs": [("btrfs", True)],
    "copy": [("ext4", False), ("tmpfs", False)],
}


def shared_bytes(path, begin, end):
    """Bytes of [begin, end) in shared extents; None where the file system
    has no FIEMAP (tmpfs)."""
    total = start = 0
    with open(path, "rb") as f:
        while True:
            # struct fiemap asking for 64 extents, flushed first (FIEMAP_FLAG_SYNC).
            request = bytearray(struct.pack("=QQLLLL", start, 2**64 - 1 - start, 1, 0, 64, 0)
                                + bytes(56 * 64))
            try:
                fcntl.ioctl(f.fileno(), FS_IOC_FIEMAP, request, True)
            except OSError:
                return None
            count = struct.unpack_from("=L", request, 20)[0]
            # struct fiemap_extent: logical, physical, length, 2 reserved, flags.
            extents = [struct.unpack_from("=QQQQQL", request, 32 + 56 * i) for i in range(count)]
            for logical, _, length, _, _, flags in extents:
                if flags & EXTENT_SHARED:
                    total += max(0, min(end, logical + length) - max(begin, logical))
            if not count or extents[-1][5] & EXTENT_LAST:
                return total
            start = extents[-1][0] + extents[-1][2]


def free_bytes(folder):
    os.sync()
    st = os.statvfs(folder)
    return st.f_bfree * st.f_frsize


def rewritten(folder, old_length, cli, *args):
    """A file with a tag of `old_length` bytes rewritten by `kalvex-cli ARGS
    FILE`, the original kept by a hard link (so the new file alone is what
    free space pays for, and sharing shows): its path, what followed the old
    tag, its bytes now and the free space the rewrite took."""
    path = os.path.join(folder, "track.mp3")
    rest = write_tagged(path, AUDIO, old_length)
    os.link(path, path + ".original")
    # btrfs charges the first small write after a large file more than its
    # blocks (14 blocks for a 6-block one here): a small file takes that.
    with open(os.path.join(folder, "settle"), "wb") as out:
        out.write(os.urandom(8192))
    before = free_bytes(folder)
    subprocess.run([cli, *args, path], check=True, stdout=subprocess.DEVNULL)
    return path, rest, read_bytes(path), before - free_bytes(folder)


def grown_tag(cli, folder, shares, block, check):
    """A tag that outgrows a 1234-byte one."""
    path, rest, data, cost = rewritten(folder, 1234, cli, "write", "--v2", "2.3",
                                       "--title", "T" * 1500, "--comment", "grown")
    length = tag_length(data)
    check(length > 1234 and data[length:] == rest, "the audio after the new tag differs")
    head = -(-length // block) * block
    if shares:
        check(length % block == 1234 % block,
              "the new tag (%d bytes) moved the audio within its block" % length)
        check(shared_bytes(path, head, len(data)) == len(data) - head,
              "the audio's blocks are not all shared")
        check(shared_bytes(path, 0, head) == 0, "the head was written over a shared block")
        check(cost <= head + 2 * block,
              "free space dropped by %d bytes for a %d-byte head" % (cost, length))
    else:
        check(shared_bytes(path, 0, len(data)) in (0, None), "blocks shared where none can be")
    # The padding takes a later, longer title in place.
    inode = os.stat(path).st_ino
    subprocess.run([cli, "write", path, "--v2", "2.3", "--title", "T" * 1700],
                   check=True, stdout=subprocess.DEVNULL)
    check(os.stat(path).st_ino == inode, "a longer title did not fit the new tag's padding")


def removed_tag(old_length, cli, folder, shares, block, check):
    path, rest, data, cost = rewritten(folder, old_length, cli, "remove", "--v2")
    check(data == rest, "the file without its tag differs from the audio")
    shared = shared_bytes(path, 0, len(rest))
    if shares and old_length % block == 0:
        check(shared == len(rest), "the audio's blocks are not all shared")
        check(cost <= 2 * block, "free space dropped by %d bytes" % cost)
    else:
        check(shared in (0, None), "%r bytes shared by a copy" % shared)


def no_cow_folder(cli, folder, shares, block, check):
    """btrfs refuses to share blocks between a copy-on-write file and a new
    file in a folder without copy-on-write: the rewrite copies."""
    nocow = os.path.join(folder, "nocow")
    os.mkdir(nocow)
    subprocess.run(["chattr", "+C", nocow], check=True)
    rest = write_tagged(os.path.join(folder, "cow.mp3"), AUDIO, 1234)
    path = os.path.join(nocow, "cow.mp3")
    os.rename(os.path.join(folder, "cow.mp3"), path)
    subprocess.run([cli, "write", path, "--v2", "2.3", "--title", "T" * 1500], check=True,
                   stdout=subprocess.DEVNULL)
    data = read_bytes(path)
    check(data[tag_length(data):] == rest, "the audio after the new tag differs")
    check(shared_bytes(path, 0, len(data)) == 0, "blocks shared where btrfs refuses")


CASES = [("grown tag", grown_tag),
         ("removed 8192-byte tag", lambda *args: removed_tag(8192, *args)),
         ("removed 1234-byte tag", lambda *args: removed_tag(1234, *args)),
         ("refused by btrfs (nodatacow folder)", no_cow_folder)]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("cli")
    parser.add_argument("--fs", choices=sorted(GROUPS), required=True)
    parser.add_argument("--work", default="/tmp")
    args = parser.parse_args()
    failed = ran = 0
    for kind, shares in GROUPS[args.fs]:
        try:
            with loop_fs.mounted(kind, args.work) as point:
                ran += 1
                block = os.statvfs(point).f_bsize
                for name, case in CASES[:None if kind == "btrfs" else 3]:
                    # A folder of its own, removed after: the file system
                    # holds one case's files at a time.
                    folder = os.path.join(point, "case")
                    os.mkdir(folder)
                    failures = []
                    case(args.cli, folder, shares, block,
                         lambda ok, message: ok or failures.append(message))
                    shutil.rmtree(folder)
                    print("%s: %s: %s" % (kind, name, "; ".join(failures) or "ok"))
                    failed += bool(failures)
        except loop_fs.Unavailable as reason:
            print("%s: SKIP: %s" % (kind, reason))
    return SKIP if not ran else 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
