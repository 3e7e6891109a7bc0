#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and fuzzes one target,
# or each in turn, for the given number of seconds. New inputs that widen
# coverage are merged into fuzz/corpus/<target>; crashes land in
# build/fuzz/artifacts/.
#   tools/fuzz.sh [TARGET] [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:-}
seconds=${2:-60}
build=build/fuzz

CC=clang CXX=clang++ cmake -S . -B $build -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKALVEX_FUZZ=ON -DKALVEX_TESTS=OFF >/dev/null
cmake --build $build -j "$(nproc)" >/dev/null

if [ -n "$target" ]; then
    targets=("$target")
else
    targets=()
    for program in $build/fuzz/fuzz_*; do
        targets+=("$(basename "$program" | sed 's/^fuzz_//')")
    done
fi

mkdir -p $build/artifacts
for name in "${targets[@]}"; do
    corpus=fuzz/corpus/$name
    work=$build/corpus-$name
    mkdir -p "$work"
    echo "== $name for ${seconds}s"
    $build/fuzz/fuzz_$name "$work" "$corpus" -max_total_time="$seconds" \
        -artifact_prefix=$build/artifacts/$name- -print_final_stats=1 2>&1 |
        grep -E '^(stat::number_of_executed_units|stat::peak_rss|==[0-9]+==ERROR|SUMMARY)' || true
    # Keep only inputs that add coverage.
    $build/fuzz/fuzz_$name -merge=1 "$corpus" "$work" >/dev/null 2>&1
done
