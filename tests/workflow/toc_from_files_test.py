#!/usr/bin/python3
"""The table of contents from an album's files against the one it was made
from: albums made from random tables of contents (sox makes each track's
audio with its exact samples, lame encodes it), read back by
`kalvex-cli discid --files`, must give the disc's own table of contents and
both its disc ids. The same files without lame's Info frame give an estimated
table of contents, whose CDDB query the local server's inexact match finds.

usage: toc_from_files_test.py KALVEX_CLI [--albums 4] [--most-tracks 12]
                              [--longest 60] [--long-track 1] [--seed N]
Exit code 77 (skipped) when sox or lame is missing.
"""

import json
import os
import random
import shutil
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [os.path.join(HERE, "../id3"), os.path.join(HERE, "../../tools")]
import album_maker  # noqa: E402
from mp3_tools import SKIP, make_mp3, missing, parse_args, run, start_server  # noqa: E402


def discid(binary, *args):
    return json.loads(run(binary, "discid", "--json", *args).stdout)


def main():
    args = parse_args(kills=0, albums=4, most_tracks=12, longest=60, long_track=0)
    if missing("sox", "lame"):
        return SKIP
    seed = args.seed
    rng = random.Random(seed)
    work = tempfile.mkdtemp(prefix="kalvex-toc-files-", dir=args.work)
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
        server = start_server("cddb_server.py", "--db", db)
        for n, (folder, lengths, context) in enumerate(albums):
            for name in sorted(os.listdir(folder)):
                album_maker.strip_info_frame(os.path.join(folder, name))
            found = discid(args.cli, "--files", folder)
            assert found["Confidence"] == "estimated", context
            assert not any(f["Exact"] for f in found["Files"]), context
            out = run(args.cli, "lookup", "--files", folder, "--source", "cddb", "--server",
                      server.url, "--choose", "0", "--json").stdout
            assert json.loads(out)["Album"]["Album"] == "Album %d" % n, context + ": " + out

        # Folders that give none say why.
        odd = os.path.join(work, "odd")
        os.mkdir(odd)
        make_mp3(odd, "01", 48000, 1, 1)
        with open(os.path.join(odd, "02.mp3"), "w") as f:
            f.write("not audio at all\n" * 50)
        # Once the other rate is gone, the file that is no audio.
        for gone, reason in ((None, "48000 Hz, not a CD's 44100 Hz"),
                             ("01.mp3", "'02.mp3' holds no MPEG audio")):
            if gone:
                os.remove(os.path.join(odd, gone))
            refused = run(args.cli, "discid", "--files", odd, check=False)
            assert refused.returncode == 1 and reason in refused.stderr, refused.stderr

        print("%d albums (seed %d): the exact table of contents and disc ids from the files; "
              "without their Info frames, estimated ones the inexact match found"
              % (args.albums, seed))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
