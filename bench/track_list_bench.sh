#!/usr/bin/env bash
# Track list benchmark: `kalvex-cli list` (the window's track list refresh)
# over a folder of 2,000 tagged MP3 files, against `kalvex-cli tags` on the
# same files, which only reads the tags: the floor.
#   bench/track_list_bench.sh [FILES] [CLI]
set -euo pipefail
cd "$(dirname "$0")/.."
files=${1:-2000}
cli=${2:-}
if [[ -z $cli ]]; then
    build=build/bench
    cmake -S . -B $build -DCMAKE_BUILD_TYPE=Release -DKALVEX_BENCH=ON -DKALVEX_TESTS=OFF >/dev/null
    cmake --build $build --target kalvex-cli -j 2 >/dev/null
    cli=$build/src/cli/kalvex-cli
fi
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
for i in $(seq -w 1 "$files"); do
    cp tests/data/id3/mutagen/silence-44-s.mp3 "$folder/$i Track.mp3"
done
seconds() {
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l
}
best() {
    local best=999 t
    for _ in 1 2 3 4 5; do
        t=$(seconds "$@")
        if (($(echo "$t < $best" | bc -l))); then best=$t; fi
    done
    echo "$best"
}
list=$(best "$cli" list "$folder" --track-option tag)
tags=$(best "$cli" tags "$folder"/*.mp3)
printf 'files %d\nlist (track list refresh) %.3f s\ntags (reading the tags)   %.3f s\nratio list/tags %.2f\n' \
    "$files" "$list" "$tags" "$(echo "$list / $tags" | bc -l)"
