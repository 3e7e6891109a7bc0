#!/usr/bin/env bash
# Lookup benchmark: an optimised build in build/bench, then query + read over
# one kept-alive connection against a connection per request.
#   bench/lookup_bench.sh [LOOKUPS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/bench
cmake -S . -B $build -DCMAKE_BUILD_TYPE=Release -DKALVEX_BENCH=ON -DKALVEX_TESTS=OFF >/dev/null
cmake --build $build --target lookup_bench -j 2 >/dev/null
$build/bench/lookup_bench "${1:-300}"
