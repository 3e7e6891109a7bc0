# Sourced by the scripts that need the project's test servers on 127.0.0.1:
#   start_cddb_server ARGS...         starts tools/cddb_server.py on a free port with
#                                     ARGS (--db ...), sets cddb_server_pid and
#                                     cddb_server_port
#   start_musicbrainz_server ARGS...  the same for tools/musicbrainz_server.py, with
#                                     musicbrainz_server_pid and musicbrainz_server_port
#   stop_cddb_server, stop_musicbrainz_server
#                                     stop them (nothing when none was started)
# A server's first line is "PORT n"; reading it through a pipe waits for
# exactly that, at most ten seconds.

cddb_server_pid=""
cddb_server_port=""
musicbrainz_server_pid=""
musicbrainz_server_port=""

# start_server NAME SCRIPT ARGS...: sets NAME_server_pid and NAME_server_port.
start_server() {
    local name="$1" script
    script="$(dirname "${BASH_SOURCE[0]}")/$2"
    shift 2
    local fd
    # The pipe stays open for the server's life, so a later line of its own
    # never meets a closed pipe.
    exec {fd}< <(exec python3 "$script" --port 0 "$@")
    printf -v "${name}_server_pid" '%s' "$!"
    local line=""
    IFS= read -r -t 10 -u "$fd" line || true
    if [[ ! "$line" =~ ^PORT\ ([0-9]+)$ ]]; then
        echo "the $name server did not start (it printed '$line')" >&2
        stop_server "$name"
        return 1
    fi
    printf -v "${name}_server_port" '%s' "${BASH_REMATCH[1]}"
}

stop_server() {
    local pid_variable="${1}_server_pid"
    local pid="${!pid_variable}"
    if [ -n "$pid" ]; then
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
        printf -v "$pid_variable" '%s' ""
    fi
}

start_cddb_server() { start_server cddb cddb_server.py "$@"; }
stop_cddb_server() { stop_server cddb; }
start_musicbrainz_server() { start_server musicbrainz musicbrainz_server.py "$@"; }
stop_musicbrainz_server() { stop_server musicbrainz; }
