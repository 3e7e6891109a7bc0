#!/usr/bin/env bash
# Tag writing benchmark: builds an optimised copy (no sanitizers) in
# build/bench and runs both measurements of id3_write_bench: an in-place title
# change on 2,000 files against TagLib, and a grown tag on a 500 MB file
# against cp (with and without flushing the copy) with the write's peak memory.
# The files live in build/bench/write-work, or in FOLDER/kalvex-write-work to
# measure on another file system (a grown tag pays for freeing the original's
# blocks, which costs most on a file system that discards them at once), and
# are removed afterwards. As root, the grown tag is measured once more on an
# XFS loop image made in build/bench, where the write shares the audio's blocks
# instead of copying them (else a line says why it was skipped).
#   bench/id3_write_bench.sh [FILES] [MB] [FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
files=${1:-2000}
megabytes=${2:-500}
build=build/bench

cmake -S . -B $build -DCMAKE_BUILD_TYPE=Release -DKALVEX_BENCH=ON -DKALVEX_TESTS=OFF >/dev/null
cmake --build $build --target id3_write_bench -j 2 >/dev/null

work=${3:+$3/kalvex-write-work}
work=${work:-$build/write-work}
rm -rf "$work"
mkdir -p "$work/files"
trap 'rm -rf "$work"' EXIT
sox -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 3 sine 440
lame --quiet -b 128 "$work/tone.wav" "$work/tone.mp3"

$build/bench/id3_write_bench inplace "$work/tone.mp3" "$work/files" --files "$files"
$build/bench/id3_write_bench grow "$work" --mb "$megabytes"

echo
echo "on XFS (a loop image in $build):"
status=0
/usr/bin/python3 tools/loop_fs.py xfs $build --size-mb $((megabytes * 3 + 300)) -- \
    $build/bench/id3_write_bench grow {} --mb "$megabytes" --reflink || status=$?
[ $status -eq 0 ] || [ $status -eq 77 ] || exit $status
