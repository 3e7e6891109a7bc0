#!/usr/bin/env bash
# Track list benchmark: `kalvex-cli list` (the window's track list refresh)
# over a folder of 2,000 tagged MP3 files, against `kalvex-cli tags` on the
# same files, which only reads the tags: the floor.
#   bench/track_list_bench.sh [FILES] [CLI]
set -euo pipefail
cd "$(dirname "$0")/.."
files=${1:-2000}
source bench/bench_lib.sh
cli=$(bench_cli "${2:-}")
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
for i in $(seq -w 1 "$files"); do
    cp tests/data/id3/mutagen/silence-44-s.mp3 "$folder/$i Track.mp3"
done
list=$(best seconds "$cli" list "$folder" --track-option tag)
tags=$(best seconds "$cli" tags "$folder"/*.mp3)
printf 'files %d\nlist (track list refresh) %.3f s\ntags (reading the tags)   %.3f s\nratio list/tags %.2f\n' \
    "$files" "$list" "$tags" "$(echo "$list / $tags" | bc -l)"
