#!/usr/bin/env bash
# Tag reading benchmark: builds an optimised copy (no sanitizers) in
# build/bench, makes three seconds of 128 kbit/s audio with sox and lame,
# times our reads against TagLib's on 2,000 generated files, and counts the
# system calls each makes per file with strace -c.
#   bench/id3_bench.sh [FILES]
set -euo pipefail
cd "$(dirname "$0")/.."
files=${1:-2000}
build=build/bench

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Build output only matters when the build fails.
{
    cmake -S . -B $build -DCMAKE_BUILD_TYPE=Release -DKALVEX_BENCH=ON -DKALVEX_TESTS=OFF &&
        cmake --build $build --target id3_bench -j 2
} >"$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }
sox -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 3 sine 440
lame --quiet -b 128 "$work/tone.wav" "$work/tone.mp3"

$build/bench/id3_bench "$work/tone.mp3" --files "$files"

# System calls per file; the generating and cleaning up are measured alone
# and taken off.
calls() {
    strace -c -f -o "$work/strace.txt" $build/bench/id3_bench "$work/tone.mp3" \
        --files "$files" --only "$1" >/dev/null
    awk '$NF == "total" { print $4 }' "$work/strace.txt"
}
base=$(calls none)
for reader in ours taglib; do
    total=$(calls $reader)
    echo "$reader: $(( (total - base) / files )) system calls per file" \
         "($(( total - base )) in all)"
done
