"""Albums made for the tests and benchmarks from tables of contents: each
track's audio made by sox with its exact number of samples (whole CD frames of
588), encoded by lame (whose encoder delay and padding then vary with each
length), and the CDDB records and MusicBrainz releases that know those discs."""

import concurrent.futures
import json
import os
import subprocess

LEAD_IN = 150
SAMPLES_PER_FRAME = 588


def random_lengths(rng, tracks, shortest, longest):
    """`tracks` lengths in CD frames, from `shortest` to `longest` seconds."""
    return [rng.randint(shortest * 75, longest * 75) for _ in range(tracks)]


def starts_of(lengths):
    """Each track's start in frames (the lead-in included), then the lead-out."""
    starts = [LEAD_IN]
    for length in lengths:
        starts.append(starts[-1] + length)
    return starts


def msf(frames):
    return "%d:%d:%d" % (frames // 4500, frames // 75 % 60, frames % 75)


def toc_text(lengths):
    """The disc as `kalvex-cli discid --toc` takes it."""
    return " ".join(["1", str(len(lengths))] + [msf(f) for f in starts_of(lengths)])


def encode(path, frames, tone):
    samples = frames * SAMPLES_PER_FRAME
    sox = subprocess.Popen(["sox", "-r", "44100", "-c", "1", "-n", "-b", "16", "-t", "wav", "-",
                            "synth", "%ds" % samples, "sine", str(tone), "vol", "0.5"],
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    subprocess.run(["lame", "--quiet", "-b", "64", "-m", "m", "-q", "9", "-", path],
                   stdin=sox.stdout, check=True)
    sox.stdout.close()
    if sox.wait() != 0:
        raise RuntimeError("sox failed for " + path)


def make_album(folder, lengths, workers=2):
    """Track01.mp3 ... in `folder`, one a length."""
    os.makedirs(folder, exist_ok=True)
    paths = [os.path.join(folder, "Track%02d.mp3" % (n + 1)) for n in range(len(lengths))]
    with concurrent.futures.ThreadPoolExecutor(workers) as pool:
        for done in pool.map(encode, paths, lengths,
                             [220 + 37 * n for n in range(len(lengths))]):
            pass
    return paths


def strip_info_frame(path):
    """Takes lame's Info frame off the file: its audio stays, but the exact
    length (the frame count, delay and padding) goes with it."""
    with open(path, "rb") as f:
        data = f.read()
    header = data[:4]
    bitrates = [0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320]
    bitrate = bitrates[header[2] >> 4] * 1000
    length = 144 * bitrate // 44100 + ((header[2] >> 1) & 1)
    if data[4 + 17:4 + 21] not in (b"Info", b"Xing"):
        raise RuntimeError(path + " starts with no Info frame")
    with open(path, "wb") as f:
        f.write(data[length:])


def xmcd_record(disc_id, lengths, title, track_titles):
    starts = starts_of(lengths)
    lines = ["# xmcd", "#", "# Track frame offsets:"]
    lines += ["#\t%d" % s for s in starts[:-1]]
    lines += ["#", "# Disc length: %d seconds" % (starts[-1] // 75), "#", "DISCID=" + disc_id,
              "DTITLE=" + title, "DYEAR=2001"]
    lines += ["TTITLE%d=%s" % (n, t) for n, t in enumerate(track_titles)]
    lines += ["EXTD="] + ["EXTT%d=" % n for n in range(len(lengths))] + ["PLAYORDER="]
    return "\n".join(lines) + "\n"


def write_cddb_record(db, category, disc_id, lengths, title, track_titles):
    os.makedirs(os.path.join(db, category), exist_ok=True)
    with open(os.path.join(db, category, disc_id.lower().zfill(8)), "w",
              encoding="utf-8") as f:
        f.write(xmcd_record(disc_id.lower().zfill(8), lengths, title, track_titles))


def write_musicbrainz_release(db, release_id, musicbrainz_id, lengths, artist, title,
                              track_titles):
    """A release as the web service sends it, holding this one disc."""
    starts = starts_of(lengths)
    credit = [{"name": artist, "joinphrase": "",
               "artist": {"id": release_id, "name": artist, "sort-name": artist}}]
    release = {
        "id": release_id, "title": title, "date": "2001", "country": "XW",
        "artist-credit": credit,
        "release-group": {"id": release_id, "title": title, "genres": []},
        "media": [{"position": 1, "format": "CD", "track-count": len(lengths),
                   "discs": [{"id": musicbrainz_id, "offset-count": len(lengths),
                              "sectors": starts[-1], "offsets": starts[:-1]}],
                   "tracks": [{"position": n + 1, "number": str(n + 1), "title": t,
                               "length": lengths[n] * 1000 // 75, "artist-credit": credit}
                              for n, t in enumerate(track_titles)]}]}
    os.makedirs(db, exist_ok=True)
    with open(os.path.join(db, release_id + ".json"), "w", encoding="utf-8") as f:
        json.dump(release, f, ensure_ascii=False)
