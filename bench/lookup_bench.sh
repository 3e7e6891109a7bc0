#!/usr/bin/env bash
# Lookup benchmarks: an optimised build in build/bench, then query + read over
# one kept-alive connection against a connection per request, and a lookup
# over CDDB and MusicBrainz at once, one answering late, against the two one
# after the other.
#   bench/lookup_bench.sh [LOOKUPS] [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/bench
cmake -S . -B $build -DCMAKE_BUILD_TYPE=Release -DKALVEX_BENCH=ON -DKALVEX_TESTS=OFF >/dev/null
cmake --build $build --target lookup_bench sources_bench -j 2 >/dev/null
$build/bench/lookup_bench "${1:-300}"
$build/bench/sources_bench "${2:-3}"
