#!/usr/bin/python3
"""A grown or removed ID3 v2 tag shares the audio's blocks where it can.

On XFS and btrfs (loop images made here) a grown tag keeps the audio at its
offset within a block, so the rewritten file shares the original's blocks:
its audio is byte for byte the original's, its extents past the head are
shared (FIEMAP), and free space drops by no more than the head. A removal
shares them only when the old tag is a whole number of blocks long. Where the
file system refuses (an XFS made without reflinks, a btrfs folder without
copy-on-write) and on ext4 and tmpfs, the audio is copied: right, and
sharing nothing.

usage: reflink_rewrite_test.py KALVEX_CLI --fs xfs|btrfs|copy --work DIR
Exits 77 (CTest's skip) with the reasons when none of the file systems can be
mounted here (root, loop devices, mkfs tools and the kernel's support needed).
"""

import argparse
import fcntl
import os
import shutil
import struct
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import loop_fs  # noqa: E402

FS_IOC_FIEMAP = 0xC020660B
FIEMAP_FLAG_SYNC = 0x1
FIEMAP_EXTENT_LAST = 0x1
FIEMAP_EXTENT_SHARED = 0x2000
AUDIO_MB = 32

# Each --fs runs these kinds, and whether their files can share blocks.
GROUPS = {
    "xfs": [("xfs", True), ("xfs-noreflink", False)],
    "btrfs": [("btrfs", True)],
    "copy": [("ext4", False), ("tmpfs", False)],
}


def syncsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def make_mp3(path, tag_length):
    """A v2.3 tag of exactly `tag_length` bytes, then audio and a v1 tag;
    returns what follows the tag."""
    frame = b"\x00old title\x00"
    body = (b"TIT2" + struct.pack(">I", len(frame)) + b"\x00\x00" + frame).ljust(
        tag_length - 10, b"\x00")
    rest = b"\xff\xfb\x90\x64" + os.urandom((AUDIO_MB << 20) - 4) + b"TAG" + b"v1".ljust(125, b"\0")
    with open(path, "wb") as out:
        out.write(b"ID3\x03\x00\x00" + syncsafe(len(body)) + body + rest)
    return rest


def tag_length(data):
    if data[:3] != b"ID3":
        return 0
    size = data[6] << 21 | data[7] << 14 | data[8] << 7 | data[9]
    return 10 + size


def extents(path):
    """(logical start, length, flags) of every extent, or None where the file
    system has no FIEMAP (tmpfs)."""
    found = []
    start = 0
    with open(path, "rb") as f:
        while True:
            count = 64
            request = bytearray(struct.pack("=QQLLLL", start, 2**64 - 1 - start, FIEMAP_FLAG_SYNC,
                                            0, count, 0) + bytes(56 * count))
            try:
                fcntl.ioctl(f.fileno(), FS_IOC_FIEMAP, request, True)
            except OSError:
                return None
            mapped = struct.unpack_from("=L", request, 20)[0]
            for i in range(mapped):
                logical, _, length = struct.unpack_from("=QQQ", request, 32 + 56 * i)
                flags = struct.unpack_from("=L", request, 32 + 56 * i + 40)[0]
                found.append((logical, length, flags))
            if mapped == 0 or found[-1][2] & FIEMAP_EXTENT_LAST:
                return found
            start = found[-1][0] + found[-1][1]


def shared_bytes(path, begin, end):
    """Bytes of [begin, end) in shared extents; None without FIEMAP."""
    found = extents(path)
    if found is None:
        return None
    total = 0
    for logical, length, flags in found:
        if flags & FIEMAP_EXTENT_SHARED:
            total += max(0, min(end, logical + length) - max(begin, logical))
    return total


def free_bytes(folder):
    os.sync()
    st = os.statvfs(folder)
    return st.f_bfree * st.f_frsize


def free_bytes_settled(folder):
    """Free space before a write. btrfs charges the first small write after a
    large file more than its blocks (14 blocks for a 6-block one here): a
    small file written first takes that charge."""
    with open(os.path.join(folder, "settle"), "wb") as out:
        out.write(os.urandom(8192))
    return free_bytes(folder)


class Case:
    def __init__(self, name):
        self.name = name
        self.failures = []

    def check(self, condition, message):
        if not condition:
            self.failures.append(message)


def grown_tag(cli, folder, shares, block):
    """A tag that outgrows a 1234-byte one, the original kept by a hard link
    (so the new file alone is what free space pays for, and sharing shows)."""
    case = Case("grown tag")
    path = os.path.join(folder, "track.mp3")
    rest = make_mp3(path, 1234)
    os.link(path, os.path.join(folder, "original.mp3"))
    before = free_bytes_settled(folder)
    subprocess.run([cli, "write", path, "--v2", "2.3", "--title", "T" * 1500, "--comment", "grown"],
                   check=True, stdout=subprocess.DEVNULL)
    spent = before - free_bytes(folder)
    with open(path, "rb") as f:
        data = f.read()
    length = tag_length(data)
    case.check(length > 1234 and data[length:] == rest, "the audio after the new tag differs")
    first_shared = -(-length // block) * block
    if shares:
        case.check(length % block == 1234 % block,
                   "the new tag (%d bytes) moved the audio within its block" % length)
        case.check(shared_bytes(path, first_shared, len(data)) == len(data) - first_shared,
                   "the audio's blocks are not all shared: %r" % extents(path))
        case.check(shared_bytes(path, 0, first_shared) == 0,
                   "the head was written over a shared block")
        case.check(spent <= first_shared + 2 * block,
                   "free space dropped by %d bytes for a %d-byte head" % (spent, length))
    else:
        shared = shared_bytes(path, 0, len(data))
        case.check(shared in (0, None), "%r bytes shared where nothing can be" % shared)
    # The padding takes a later, longer title in place.
    inode = os.stat(path).st_ino
    subprocess.run([cli, "write", path, "--v2", "2.3", "--title", "T" * 1700],
                   check=True, stdout=subprocess.DEVNULL)
    case.check(os.stat(path).st_ino == inode, "a longer title did not fit the new tag's padding")
    return case


def removed_tag(cli, folder, shares, block, old_length):
    """The tag taken off; the original kept by a hard link as above."""
    case = Case("removed %d-byte tag" % old_length)
    path = os.path.join(folder, "removed-%d.mp3" % old_length)
    rest = make_mp3(path, old_length)
    os.link(path, path + ".original")
    before = free_bytes_settled(folder)
    subprocess.run([cli, "remove", "--v2", path], check=True, stdout=subprocess.DEVNULL)
    spent = before - free_bytes(folder)
    with open(path, "rb") as f:
        case.check(f.read() == rest, "the file without its tag differs from the audio")
    shared = shared_bytes(path, 0, len(rest))
    if shares and old_length % block == 0:
        case.check(shared == len(rest), "the audio's blocks are not all shared")
        case.check(spent <= 2 * block, "free space dropped by %d bytes" % spent)
    else:
        case.check(shared in (0, None), "%r bytes shared by a copy" % shared)
    return case


def no_cow_folder(cli, folder):
    """btrfs refuses to share blocks between a copy-on-write file and a
    new file in a folder without copy-on-write: the rewrite copies."""
    case = Case("refused by btrfs (nodatacow folder)")
    nocow = os.path.join(folder, "nocow")
    os.mkdir(nocow)
    path = os.path.join(folder, "cow.mp3")
    rest = make_mp3(path, 1234)
    subprocess.run(["chattr", "+C", nocow], check=True)
    moved = os.path.join(nocow, "cow.mp3")
    os.rename(path, moved)
    subprocess.run([cli, "write", moved, "--v2", "2.3", "--title", "T" * 1500], check=True,
                   stdout=subprocess.DEVNULL)
    with open(moved, "rb") as f:
        data = f.read()
    case.check(data[tag_length(data):] == rest, "the audio after the new tag differs")
    case.check(shared_bytes(moved, 0, len(data)) == 0, "blocks shared where btrfs refuses")
    return case


def run_kind(cli, kind, shares, work):
    runs = [lambda folder, block: grown_tag(cli, folder, shares, block),
            lambda folder, block: removed_tag(cli, folder, shares, block, 8192),
            lambda folder, block: removed_tag(cli, folder, shares, block, 1234)]
    if kind == "btrfs":
        runs.append(lambda folder, block: no_cow_folder(cli, folder))
    cases = []
    with loop_fs.mounted(kind, work) as point:
        block = os.statvfs(point).f_bsize
        # Each case in a folder of its own, removed after it: the file system
        # holds one case's files at a time.
        for n, run in enumerate(runs):
            folder = os.path.join(point, "case%d" % n)
            os.mkdir(folder)
            cases.append(run(folder, block))
            shutil.rmtree(folder)
    return cases


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("cli")
    parser.add_argument("--fs", choices=sorted(GROUPS), required=True)
    parser.add_argument("--work", default="/tmp")
    args = parser.parse_args()
    failed = ran = 0
    for kind, shares in GROUPS[args.fs]:
        try:
            cases = run_kind(args.cli, kind, shares, args.work)
        except loop_fs.Unavailable as reason:
            print("%s: SKIP: %s" % (kind, reason))
            continue
        ran += 1
        for case in cases:
            print("%s: %s: %s" % (kind, case.name, "; ".join(case.failures) or "ok"))
            failed += bool(case.failures)
    if not ran:
        return loop_fs.SKIP
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
