#!/usr/bin/python3
"""The album from its files, measured against plain tag reading.

1. The table of contents of a 20-track lame-made folder
   (`kalvex-cli discid --files DIR`) against `kalvex-cli tags` over the same
   files (tags and stream facts of each): both read each file's start.
2. `kalvex-cli tag-library ROOT --source cddb --rename --optimise` over
   ALBUMS album folders against one `tag-album DIR --files --source cddb
   --rename --optimise` run per folder (a script's loop), both against
   tools/cddb_server.py on 127.0.0.1, each on fresh copies.

Best of five runs (of three for the library); ratios are the peer's time
over ours.

usage: library_bench.py KALVEX_CLI [--albums 100]
"""

import argparse
import json
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(SOURCE, "tools"))
import album_maker  # noqa: E402


def best(runs, action, prepare=lambda: None):
    times = []
    for _ in range(runs):
        prepare()
        start = time.perf_counter()
        action()
        times.append(time.perf_counter() - start)
    return min(times)


def quiet(*command):
    subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("cli")
    parser.add_argument("--albums", type=int, default=100)
    args = parser.parse_args()
    cli = args.cli
    rng = random.Random(7)
    work = tempfile.mkdtemp(prefix="kalvex-library-bench-")
    server = None
    try:
        folder = os.path.join(work, "twenty")
        album_maker.make_album(folder, album_maker.random_lengths(rng, 20, 4, 9))
        files = sorted(os.path.join(folder, f) for f in os.listdir(folder))
        toc = best(5, lambda: quiet(cli, "discid", "--files", folder, "--json"))
        tags = best(5, lambda: quiet(cli, "tags", *files, "--json"))
        print("table of contents of 20 files: discid --files %.1f ms, tags %.1f ms, ratio %.2f"
              % (toc * 1000, tags * 1000, tags / toc))

        pristine = os.path.join(work, "pristine")
        db = os.path.join(work, "db")
        for n in range(args.albums):
            # A first track of its own length gives each disc an id of its own.
            lengths = [(10 + n) * 75 + 20, 300, 375, 450]
            album = os.path.join(pristine, "Rip %03d" % n)
            album_maker.make_album(album, lengths)
            disc_id = json.loads(subprocess.run(
                [cli, "discid", "--json", "--toc", album_maker.toc_text(lengths)],
                capture_output=True, check=True).stdout)["DiscId"]
            album_maker.write_cddb_record(db, "rock", disc_id, lengths,
                                          "Bench Band / Album %03d" % n,
                                          ["Song %d" % t for t in range(len(lengths))])
        server = subprocess.Popen([sys.executable, os.path.join(SOURCE, "tools/cddb_server.py"),
                                   "--db", db, "--port", "0"], stdout=subprocess.PIPE, text=True)
        url = "http://127.0.0.1:" + server.stdout.readline().split()[1]
        lookup = ["--server", url, "--source", "cddb", "--rename", "--optimise"]
        root = os.path.join(work, "library")

        def fresh():
            shutil.rmtree(root, ignore_errors=True)
            shutil.copytree(pristine, root)

        def each_album():
            for name in sorted(os.listdir(root)):
                quiet(cli, "tag-album", os.path.join(root, name), "--files", *lookup)

        library = best(3, lambda: quiet(cli, "tag-library", root, *lookup), fresh)
        assert sorted(os.listdir(root)) == ["Album %03d" % n for n in range(args.albums)]
        loop = best(3, each_album, fresh)
        assert sorted(os.listdir(root)) == ["Album %03d" % n for n in range(args.albums)]
        print("%d albums tagged and renamed: tag-library %.2f s, a tag-album run each %.2f s, "
              "ratio %.2f" % (args.albums, library, loop, loop / library))
    finally:
        if server:
            server.terminate()
            server.wait()
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
