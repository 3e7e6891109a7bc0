# Sourced by the scripts that need tools/cddb_server.py on 127.0.0.1:
#   start_cddb_server ARGS...   starts it on a free port with ARGS (--db ...),
#                               sets cddb_server_pid and cddb_server_port
#   stop_cddb_server            stops it (nothing when none was started)
# The server's first line is "PORT n"; reading it through a pipe waits for
# exactly that, at most ten seconds.

cddb_server_pid=""
cddb_server_port=""

start_cddb_server() {
    local script
    script="$(dirname "${BASH_SOURCE[0]}")/cddb_server.py"
    # The pipe stays open for the server's life, so a later line of its own
    # never meets a closed pipe.
    exec {cddb_server_fd}< <(exec python3 "$script" --port 0 "$@")
    cddb_server_pid=$!
    local line=""
    IFS= read -r -t 10 -u "$cddb_server_fd" line || true
    if [[ ! "$line" =~ ^PORT\ ([0-9]+)$ ]]; then
        echo "the CDDB server did not start (it printed '$line')" >&2
        stop_cddb_server
        return 1
    fi
    cddb_server_port="${BASH_REMATCH[1]}"
}

stop_cddb_server() {
    if [ -n "$cddb_server_pid" ]; then
        kill "$cddb_server_pid" 2>/dev/null || true
        wait "$cddb_server_pid" 2>/dev/null || true
        cddb_server_pid=""
    fi
}
