#!/usr/bin/env bash
# Embedding a cover: a ~300 KB JPEG front cover put into the ID3 v2.3 tag of
# FILES copies of an 8 MB MP3 (one program run a file), by
# `kalvex-cli write --v2 2.3 --picture`, against mutagen's mid3v2 --picture
# doing the same, one run a file, and mutagen in one Python process for all
# (its best case). The cover does not fit the rip's tag, so every write grows
# the tag: the audio is shared (XFS, btrfs) or copied (ext4). The files live
# in FOLDER/kalvex-cover-work when given, to measure on another file system.
#   bench/cover_bench.sh [FILES] [FOLDER] [CLI]
set -euo pipefail
cd "$(dirname "$0")/.."
files=${1:-1000}
source bench/bench_lib.sh
cli=$(bench_cli "${3:-}")

work=${2:+$2/kalvex-cover-work}
work=${work:-$(mktemp -d)}
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
# 500 seconds at 128 kbit/s: 8 MB of audio.
sox -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 500 sine 440 2>/dev/null
lame --quiet -b 128 --tt "Tone" --ta "Bench Band" --id3v2-only "$work/tone.wav" "$work/tone.mp3"
rm "$work/tone.wav"
convert -seed 7 -size 640x640 plasma:fractal -quality 95 "$work/cover.jpg"
cover_kb=$(($(stat -c %s "$work/cover.jpg") / 1024))

fresh() {
    rm -rf "$work/run"
    mkdir "$work/run"
    for i in $(seq 1 "$files"); do
        cp --reflink=never "$work/tone.mp3" "$work/run/$i.mp3"
    done
    sync
}

# Seconds of one pass over fresh copies; every file must then hold the cover
# and its audio unchanged.
pass() {
    fresh
    local start end
    start=$(date +%s.%N)
    "$@"
    sync
    end=$(date +%s.%N)
    /usr/bin/python3 - "$work" "$files" <<'EOF'
import hashlib, sys
import mutagen.id3 as id3
work, files = sys.argv[1], int(sys.argv[2])
cover = open(work + "/cover.jpg", "rb").read()
def audio(path):
    data = open(path, "rb").read()
    size = 10 + ((data[6] << 21) | (data[7] << 14) | (data[8] << 7) | data[9])
    return hashlib.sha1(data[size:]).digest()
want = audio(work + "/tone.mp3")
for i in range(1, files + 1):
    path = "%s/run/%d.mp3" % (work, i)
    pictures = id3.ID3(path).getall("APIC")
    assert [(p.type, p.data) for p in pictures] == [(3, cover)], path
    assert audio(path) == want, path + ": audio changed"
EOF
    echo "$end - $start" | bc -l
}

ours() {
    for f in "$work"/run/*.mp3; do
        "$cli" write "$f" --v2 2.3 --picture "$work/cover.jpg" >/dev/null
    done
}
# A run that only reads each file's tags: what starting a program costs.
start_only() {
    for f in "$work"/run/*.mp3; do
        "$cli" tags "$f" >/dev/null
    done
}
mid3v2_each() {
    for f in "$work"/run/*.mp3; do
        mid3v2 --picture "$work/cover.jpg::3:image/jpeg" "$f"
    done
}
mutagen_once() {
    /usr/bin/python3 - "$work" <<'EOF'
import glob, sys
import mutagen.id3 as id3
work = sys.argv[1]
cover = open(work + "/cover.jpg", "rb").read()
for path in glob.glob(work + "/run/*.mp3"):
    tag = id3.ID3(path)
    tag.add(id3.APIC(encoding=0, mime="image/jpeg", type=3, desc="", data=cover))
    tag.save(v2_version=3)
EOF
}

fs=$(stat -f -c %T "$work")
fresh
start=$(date +%s.%N)
start_only
t_start=$(echo "$(date +%s.%N) - $start" | bc -l)
t_ours=$(pass ours)
t_mid3v2=$(pass mid3v2_each)
t_mutagen=$(pass mutagen_once)
printf 'cover %d KB into %d files of %.1f MB on %s\n' "$cover_kb" "$files" \
    "$(echo "$(stat -c %s "$work/tone.mp3") / 1000000" | bc -l)" "$fs"
printf '  kalvex-cli write, a run a file:   %7.2f s  %6.2f ms a file\n' "$t_ours" \
    "$(echo "$t_ours * 1000 / $files" | bc -l)"
printf '  of which starting kalvex-cli:     %7.2f s  (kalvex-cli tags, a run a file)\n' "$t_start"
printf '  mid3v2 --picture, a run a file:   %7.2f s  ratio %.2f\n' "$t_mid3v2" \
    "$(echo "$t_mid3v2 / $t_ours" | bc -l)"
printf '  mutagen, one process for all:     %7.2f s  ratio %.2f\n' "$t_mutagen" \
    "$(echo "$t_mutagen / $t_ours" | bc -l)"
echo "  (ratio: the peer's time over kalvex-cli's; above 1, kalvex-cli is faster)"
