#!/usr/bin/python3
"""The table of contents from an album's files against the one it was made
from: albums made from random tables of contents (sox makes each track's
audio with its exact samples, lame encodes it), read back by
`kalvex-cli discid --files`, must give the disc's own table of contents and
both its disc ids. The same files without lame's Info frame give an estimated
table of contents, whose CDDB query the local server's inexact match finds.

usage: toc_from_files_test.py KALVEX_CLI [--albums 4] [--most-tracks 12]
                              [--longest 60] [--long-track] [--seed N]
Exit code 77 (skipped) when sox or lame is missing.
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

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import album_maker  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))


def cli(binary, *args):
    run = subprocess.run([binary, *args], capture_output=True, text=True)
    return run.returncode, run.stdout, run.stderr


def discid(binary, *args):
    code, out, err = cli(binary, "discid", "--json", *args)
    assert code == 0, "discid %s failed: %s" % (" ".join(args), err)
    return json.loads(out)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("cli")
    parser.add_argument("--albums", type=int, default=4)
    parser.add_argument("--most-tracks", type=int, default=12)
    parser.add_argument("--longest", type=int, default=60)
    parser.add_argument("--long-track", action="store_true",
                        help="the last album's first track lasts 20 minutes")
    parser.add_argument("--seed", type=int, default=None)
    args = parser.parse_args()
    if not (shutil.which("sox") and shutil.which("lame")):
        print("sox and lame are needed to make the albums; skipped")
        return 77
    seed = args.seed if args.seed is not None else int(time.time())
    rng = random.Random(seed)
    work = tempfile.mkdtemp(prefix="kalvex-toc-files-")
    server = None
    try:
        db = os.path.join(work, "db")
        albums = []
        for n in range(args.albums):
            lengths = album_maker.random_lengths(rng, rng.randint(3, args.most_tracks), 4,
                                                 args.longest)
            if args.long_track and n == args.albums - 1:
                lengths[0] = 20 * 60 * 75
            folder = os.path.join(work, "album%d" % n)
            album_maker.make_album(folder, lengths)
            toc = album_maker.toc_text(lengths)
            disc = discid(args.cli, "--toc", toc)
            found = discid(args.cli, "--files", folder)
            context = "album %d (seed %d, TOC %s)" % (n, seed, toc)
            starts = album_maker.starts_of(lengths)
            assert found["Confidence"] == "exact", context + ": " + json.dumps(found)
            assert found["TrackStartFrames"] + [found["LeadOutFrames"]] == starts, context
            assert [f["CdFrames"] for f in found["Files"]] == lengths, context
            for key in ("DiscId", "MusicBrainzId", "QueryCommand"):
                assert found[key] == disc[key], "%s: %s %s, not %s" % (context, key, found[key],
                                                                       disc[key])
            album_maker.write_cddb_record(db, "rock", disc["DiscId"], lengths,
                                          "Made Band / Album %d" % n,
                                          ["Song %d" % t for t in range(len(lengths))])
            albums.append((folder, lengths, context))

        # Without the Info frames: estimated, and found by the inexact match.
        server = subprocess.Popen([sys.executable, os.path.join(SOURCE, "tools/cddb_server.py"),
                                   "--port", "0", "--db", db], stdout=subprocess.PIPE, text=True)
        port = int(server.stdout.readline().split()[1])
        for n, (folder, lengths, context) in enumerate(albums):
            for name in sorted(os.listdir(folder)):
                album_maker.strip_info_frame(os.path.join(folder, name))
            found = discid(args.cli, "--files", folder)
            assert found["Confidence"] == "estimated", context
            assert not any(f["Exact"] for f in found["Files"]), context
            code, out, err = cli(args.cli, "lookup", "--files", folder, "--source", "cddb",
                                 "--server", "http://127.0.0.1:%d" % port, "--choose", "0",
                                 "--json")
            assert code == 0, context + ": " + err
            assert json.loads(out)["Album"]["Album"] == "Album %d" % n, context + ": " + out

        # Folders that give none say why.
        odd = os.path.join(work, "odd")
        os.mkdir(odd)
        subprocess.run(["sox", "-V1", "-n", "-r", "48000", "-c", "1", "-b", "16",
                        os.path.join(odd, "a.wav"), "synth", "1", "sine", "440"], check=True)
        subprocess.run(["lame", "--quiet", os.path.join(odd, "a.wav"),
                        os.path.join(odd, "01.mp3")], check=True)
        with open(os.path.join(odd, "02.mp3"), "w") as f:
            f.write("not audio at all\n" * 50)
        code, _, err = cli(args.cli, "discid", "--files", odd)
        assert code == 1 and "48000 Hz, not a CD's 44100 Hz" in err, err
        os.remove(os.path.join(odd, "01.mp3"))
        code, _, err = cli(args.cli, "discid", "--files", odd)
        assert code == 1 and "'02.mp3' holds no MPEG audio" in err, err

        print("%d albums (seed %d): the exact table of contents and disc ids from the files; "
              "without their Info frames, estimated ones the inexact match found"
              % (args.albums, seed))
    finally:
        if server:
            server.terminate()
            server.wait()
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
