# Shared by the kalvex-cli benchmark scripts (sourced, from the repository root).

# The kalvex-cli to measure: the one given, else an optimised build of it.
bench_cli() {
    if [[ -n ${1:-} ]]; then
        echo "$1"
        return
    fi
    local build=build/bench
    cmake -S . -B $build -DCMAKE_BUILD_TYPE=Release -DKALVEX_BENCH=ON -DKALVEX_TESTS=OFF >/dev/null
    cmake --build $build --target kalvex-cli -j 2 >/dev/null
    echo $build/src/cli/kalvex-cli
}

# The wall-clock seconds of one run of the command, its output dropped.
seconds() {
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l
}

# The least of five runs of a command that prints seconds.
best() {
    local best=999 t
    for _ in 1 2 3 4 5; do
        t=$("$@")
        if (($(echo "$t < $best" | bc -l))); then best=$t; fi
    done
    echo "$best"
}
