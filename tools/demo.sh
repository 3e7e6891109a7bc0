#!/usr/bin/env bash
# The program's whole road without a CD drive or the internet: an album folder
# of freshly ripped-looking MP3s, a virtual drive holding the matching disc, and
# a CDDB server on 127.0.0.1 that knows that disc in two categories.
#
#   tools/demo.sh [--build DIR]                      make it all in build/demo and open the window
#   tools/demo.sh [--build DIR] --prepare-only DIR   only make the materials in DIR, print them as JSON
#
# DIR of --build is a build folder holding kalvex-cli and kalvex-tagger
# (default build/run, as `make run` and `make demo` make it). Every run starts
# from an empty folder, so the demo can be repeated after the files were
# tagged and renamed. Closing the window (or Ctrl-C) stops the server.
set -euo pipefail
shopt -s inherit_errexit

here="$(cd "$(dirname "$0")/.." && pwd)"
build="$here/build/run"
prepare_only=""
while [ $# -gt 0 ]; do
    case "$1" in
        --build) build="$(realpath -m "${2:?--build needs a folder}")"; shift 2 ;;
        --prepare-only) prepare_only="$(realpath -m "${2:?--prepare-only needs a folder}")"; shift 2 ;;
        -h | --help) sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) echo "demo.sh: unknown argument '$1' (see --help)" >&2; exit 2 ;;
    esac
done
cli="$build/src/cli/kalvex-cli"
program="$build/src/app/kalvex-tagger"
virtual_drive="$build/src/cdrom/virtual_drive/libkalvex-virtual-aspi.so"
for needed in "$cli" "$virtual_drive"; do
    [ -e "$needed" ] || { echo "demo.sh: $needed is missing (build with make run first)" >&2; exit 2; }
done
for tool in sox lame ffprobe; do
    command -v "$tool" >/dev/null || { echo "demo.sh: $tool is missing (tools/install-deps.sh)" >&2; exit 2; }
done

# Track lengths in seconds; different, so a file shows as the track it is.
lengths=(4.2 6.5 3.1 5.4 7.3)
tones=(330 392 440 523 294)

frames_to_msf() {
    echo "$(($1 / 4500)):$(($1 / 75 % 60)):$(($1 % 75))"
}

# prepare DIR: DIR/music/Audio CD/Track01.mp3 ..., DIR/disc.toc, DIR/db/<category>/<discid>.
prepare() {
    local work="$1"
    rm -rf "$work"
    local album="$work/music/Audio CD"
    mkdir -p "$album" "$work/db/rock" "$work/db/misc"
    local toc_starts="" start=150 count=${#lengths[@]}
    for ((i = 0; i < count; i++)); do
        local mp3
        mp3="$album/$(printf 'Track%02d.mp3' $((i + 1)))"
        sox -V1 -q -n -r 44100 -c 2 -b 16 -t wav - synth "${lengths[i]}" sine "${tones[i]}" \
            tremolo 5 40 fade 0.05 "${lengths[i]}" 0.4 vol 0.5 |
            lame --quiet -b 128 - "$mp3"
        # The disc's track is as long as the MP3's audio, in CD frames of 1/75 s.
        local seconds frames
        seconds="$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$mp3")"
        frames="$(awk -v s="$seconds" 'BEGIN { printf "%d", s * 75 + 0.5 }')"
        toc_starts+=" $(frames_to_msf "$start")"
        start=$((start + frames))
    done
    local toc="1 $count$toc_starts $(frames_to_msf "$start")"
    echo "$toc" >"$work/disc.toc"
    local info
    info="$("$cli" discid --toc "$toc" --json)"
    /usr/bin/python3 - "$work" "$info" <<'EOF'
import json, sys

work, info = sys.argv[1], json.loads(sys.argv[2])
disc_id = info["DiscId"].lower().zfill(8)
albums = {
    "rock": ("The Demo Band / First Light", "2024", "Rock",
             ["Morning Static", "Paper Satellites", "Guest Singer / Borrowed Chorus",
              "Tin Roof Rain", "First Light"]),
    "misc": ("Various Artists / Demo Sampler", "2023", "Misc",
             ["Northbound / Open Road", "Lena Marsh / Quiet Hours", "The Demo Band / Hum",
              "Kite Season / Paper Planes", "Cold Tea / Last Call"]),
}
for category, (title, year, genre, tracks) in albums.items():
    lines = ["# xmcd", "#", "# Track frame offsets:"]
    lines += [f"#\t{frame}" for frame in info["TrackStartFrames"]]
    lines += ["#", f"# Disc length: {info['DiscSeconds']} seconds", "#", "# Revision: 0",
              "# Submitted via: kalvex-demo 1.0", "#", f"DISCID={disc_id}",
              f"DTITLE={title}", f"DYEAR={year}", f"DGENRE={genre}"]
    lines += [f"TTITLE{n}={name}" for n, name in enumerate(tracks[:info["TrackCount"]])]
    lines += ["EXTD=Made up for the Kalvex Tagger demo."]
    lines += [f"EXTT{n}=" for n in range(info["TrackCount"])] + ["PLAYORDER="]
    with open(f"{work}/db/{category}/{disc_id}", "w", encoding="utf-8") as record:
        record.write("\n".join(lines) + "\n")
EOF
    /usr/bin/python3 -c 'import json, sys
info = json.loads(sys.argv[5])
print(json.dumps({"Folder": sys.argv[1], "TocFile": sys.argv[2], "Toc": sys.argv[3],
                  "DiscId": info["DiscId"].lower(), "Database": sys.argv[4],
                  "Categories": ["misc", "rock"]}))' \
        "$album" "$work/disc.toc" "$toc" "$work/db" "$info"
}

if [ -n "$prepare_only" ]; then
    prepare "$prepare_only"
    exit 0
fi

[ -x "$program" ] || { echo "demo.sh: $program is missing (build with make run first)" >&2; exit 2; }
work="$here/build/demo"
materials="$(prepare "$work")"
echo "$materials"
album="$(/usr/bin/python3 -c 'import json, sys; print(json.loads(sys.argv[1])["Folder"])' "$materials")"

server_pid=""
cleanup() {
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

python3 "$here/tools/cddb_server.py" --port 0 --db "$work/db" >"$work/server.out" &
server_pid=$!
port=""
for _ in $(seq 100); do
    port="$(sed -n 's/^PORT \([0-9]*\)$/\1/p' "$work/server.out")"
    [ -n "$port" ] && break
    kill -0 "$server_pid" 2>/dev/null || { echo "demo.sh: the CDDB server did not start" >&2; exit 1; }
    sleep 0.1
done
[ -n "$port" ] || { echo "demo.sh: the CDDB server printed no port" >&2; exit 1; }
echo "CDDB server: http://127.0.0.1:$port"

# Settings of the demo's own, so the user's Settings.ini stays as it is. The
# folder opens at start with every file ticked, and an import saves both tags
# of all ticked files and renames them and the folder. The rip has no tags, so
# without "Optimise" the tag boxes would be unticked and no tag written.
mkdir -p "$work/settings"
cat >"$work/settings/Settings.ini" <<EOF
[Paths]
MP3 Folder=$album
[Options]
Import ticked=1
Save tags on import=1
Auto rename=1
Tick on read=1
Optimise tags=1
[FreeDB]
Server=http://127.0.0.1
URL start=~cddb/cddb.cgi
Port=$port
EOF

KALVEX_SETTINGS_DIR="$work/settings" KALVEX_ASPI_LIBRARY="$virtual_drive" \
KALVEX_VIRTUAL_TOC="$work/disc.toc" "$program"
