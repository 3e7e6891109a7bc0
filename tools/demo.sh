#!/usr/bin/env bash
# The program's whole road without a CD drive or the internet: an album folder
# of freshly ripped-looking MP3s, a virtual drive holding the matching disc, a
# CDDB server on 127.0.0.1 that knows that disc as one album and a MusicBrainz
# stand-in on 127.0.0.1 that knows it as another.
#
#   tools/demo.sh [--build DIR] [--work DIR] [--option KEY=VALUE]... [--run COMMAND...]
#   tools/demo.sh [--build DIR] --prepare-only DIR
#
# DIR of --build is a build folder holding kalvex-cli and kalvex-tagger
# (default build/run, as `make run` and `make demo` make it); --work the folder
# of the materials and the settings (default build/demo). Every run starts
# from an empty folder, so the demo can be repeated after the files were
# tagged and renamed. --option sets a key of the settings' [Options] (the demo
# ticks every import option). --run runs COMMAND instead of the window, with
# the window's environment and DEMO_MATERIALS (the JSON below, with the
# servers' Port and MusicBrainzPort). --prepare-only only makes the materials
# in DIR and prints them as JSON. Closing the window (or Ctrl-C, or COMMAND
# ending) stops the servers.
set -euo pipefail
shopt -s inherit_errexit

here="$(cd "$(dirname "$0")/.." && pwd)"
build="$here/build/run"
work="$here/build/demo"
prepare_only=""
run=()
# The demo's import saves both tags of all ticked files (the fresh rips have
# none, so "Optimise" decides which versions are written) and renames them and
# the folder; the folder opens with every file ticked.
declare -A options=([Import ticked]=1 [Save tags on import]=1 [Optimise tags]=1 [Auto rename]=1
    [Tick on read]=1)
while [ $# -gt 0 ]; do
    case "$1" in
        --build) build="$(realpath -m "${2:?--build needs a folder}")"; shift 2 ;;
        --work) work="$(realpath -m "${2:?--work needs a folder}")"; shift 2 ;;
        --option)
            [[ "${2:-}" == *=* ]] || { echo "demo.sh: --option needs KEY=VALUE" >&2; exit 2; }
            options["${2%%=*}"]="${2#*=}"; shift 2 ;;
        --run) shift; run=("$@"); [ ${#run[@]} -gt 0 ] || { echo "demo.sh: --run needs a command" >&2; exit 2; }; break ;;
        --prepare-only) prepare_only="$(realpath -m "${2:?--prepare-only needs a folder}")"; shift 2 ;;
        -h | --help) sed -n '2,18p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) echo "demo.sh: unknown argument '$1' (see --help)" >&2; exit 2 ;;
    esac
done
cli="$build/src/cli/kalvex-cli"
program="$build/src/app/kalvex-tagger"
virtual_drive="$build/src/cdrom/virtual_drive/libkalvex-virtual-aspi.so"
for needed in "$cli" "$virtual_drive"; do
    [ -e "$needed" ] || { echo "demo.sh: $needed is missing (build with make run first)" >&2; exit 2; }
done
for tool in sox lame; do
    command -v "$tool" >/dev/null || { echo "demo.sh: $tool is missing (tools/install-deps.sh)" >&2; exit 2; }
done

# Track lengths in CD frames of 1/75 s (4.2 s, 6.48 s ...); different, so a file
# shows as the track it is. A rip holds whole CD frames, and so do these.
lengths=(315 486 234 405 546)
tones=(330 392 440 523 294)

frames_to_msf() {
    echo "$(($1 / 4500)):$(($1 / 75 % 60)):$(($1 % 75))"
}

# prepare DIR: DIR/music/Audio CD/Track01.mp3 ..., DIR/disc.toc, DIR/db/misc/<discid> (the
# CDDB record), DIR/musicbrainz/first-light.json (the MusicBrainz release) and
# DIR/covers/<release id>.jpg (its front cover, when ImageMagick is there).
prepare() {
    local work="$1"
    rm -rf "$work"
    local album="$work/music/Audio CD"
    mkdir -p "$album" "$work/db/misc" "$work/musicbrainz" "$work/covers"
    if command -v convert >/dev/null; then
        convert -size 500x500 gradient:'#f6c453-#1d3557' -fill '#fdf6e3' \
            -draw 'circle 250,330 250,210' -fill '#1d3557' -draw 'rectangle 0,360 500,500' \
            "$work/covers/d3a10000-0000-4000-8000-000000000001.jpg"
    fi
    local toc_starts="" start=150 count=${#lengths[@]}
    for ((i = 0; i < count; i++)); do
        local mp3
        mp3="$album/$(printf 'Track%02d.mp3' $((i + 1)))"
        # Exactly the track's samples (588 a CD frame); lame keeps the count
        # in its Info header, so the files give the disc's own table of contents.
        local samples=$((lengths[i] * 588))
        sox -V1 -q -r 44100 -c 2 -n -b 16 -t wav - synth "${samples}s" sine "${tones[i]}" \
            tremolo 5 40 fade 0.05 "${samples}s" 0.4 vol 0.5 |
            lame --quiet -b 128 - "$mp3"
        toc_starts+=" $(frames_to_msf "$start")"
        start=$((start + lengths[i]))
    done
    local toc="1 $count$toc_starts $(frames_to_msf "$start")"
    echo "$toc" >"$work/disc.toc"
    local info
    info="$("$cli" discid --toc "$toc" --json)"
    /usr/bin/python3 - "$work" "$info" <<'EOF'
import json, sys

work, info = sys.argv[1], json.loads(sys.argv[2])
disc_id = info["DiscId"].lower().zfill(8)
# The CDDB server knows the disc as a sampler, MusicBrainz as the band's album.
sampler = ("Various Artists / Demo Sampler", "2023", "Misc",
           ["Northbound / Open Road", "Lena Marsh / Quiet Hours", "The Demo Band / Hum",
            "Kite Season / Paper Planes", "Cold Tea / Last Call"])
title, year, genre, tracks = sampler
lines = ["# xmcd", "#", "# Track frame offsets:"]
lines += [f"#\t{frame}" for frame in info["TrackStartFrames"]]
lines += ["#", f"# Disc length: {info['DiscSeconds']} seconds", "#", "# Revision: 0",
          "# Submitted via: kalvex-demo 1.0", "#", f"DISCID={disc_id}",
          f"DTITLE={title}", f"DYEAR={year}", f"DGENRE={genre}"]
lines += [f"TTITLE{n}={name}" for n, name in enumerate(tracks[:info["TrackCount"]])]
lines += ["EXTD=Made up for the Kalvex Tagger demo."]
lines += [f"EXTT{n}=" for n in range(info["TrackCount"])] + ["PLAYORDER="]
with open(f"{work}/db/misc/{disc_id}", "w", encoding="utf-8") as record:
    record.write("\n".join(lines) + "\n")

def credit(name):
    return [{"name": name, "joinphrase": "",
             "artist": {"id": "00000000-0000-4000-8000-%012d" % len(name), "name": name,
                        "sort-name": name, "disambiguation": ""}}]

band = credit("The Demo Band")
titles = [("Morning Static", band), ("Paper Satellites", band),
          ("Borrowed Chorus", credit("Guest Singer")), ("Tin Roof Rain", band),
          ("First Light", band)][:info["TrackCount"]]
starts = info["TrackStartFrames"] + [info["LeadOutFrames"]]
release = {
    "id": "d3a10000-0000-4000-8000-000000000001", "title": "First Light", "status": "Official",
    "date": "2024-03-01", "country": "GB", "artist-credit": band,
    "release-group": {"id": "d3a10000-0000-4000-8000-000000000002", "title": "First Light",
                      "primary-type": "Album", "genres": [{"name": "rock", "count": 4}]},
    "media": [{"position": 1, "format": "CD", "track-count": len(titles),
               "discs": [{"id": info["MusicBrainzId"], "offset-count": len(titles),
                          "sectors": info["LeadOutFrames"],
                          "offsets": info["TrackStartFrames"]}],
               "tracks": [{"id": "d3a10000-0000-4000-8000-1000000000%02d" % n, "number": str(n + 1),
                           "position": n + 1, "title": name, "artist-credit": artists,
                           "length": (starts[n + 1] - starts[n]) * 1000 // 75,
                           "recording": {"title": name, "artist-credit": artists}}
                          for n, (name, artists) in enumerate(titles)]}]}
with open(f"{work}/musicbrainz/first-light.json", "w", encoding="utf-8") as out:
    json.dump(release, out, ensure_ascii=False, indent=1)
EOF
    /usr/bin/python3 -c 'import json, sys
info = json.loads(sys.argv[5])
print(json.dumps({"Folder": sys.argv[1], "TocFile": sys.argv[2], "Toc": sys.argv[3],
                  "DiscId": info["DiscId"].lower(), "Database": sys.argv[4],
                  "Categories": ["misc"], "MusicBrainzId": info["MusicBrainzId"],
                  "MusicBrainzDatabase": sys.argv[6]}))' \
        "$album" "$work/disc.toc" "$toc" "$work/db" "$info" "$work/musicbrainz"
}

if [ -n "$prepare_only" ]; then
    prepare "$prepare_only"
    exit 0
fi

[ ${#run[@]} -gt 0 ] || [ -x "$program" ] ||
    { echo "demo.sh: $program is missing (build with make run first)" >&2; exit 2; }
materials="$(prepare "$work")"
echo "$materials"
album="$(/usr/bin/python3 -c 'import json, sys; print(json.loads(sys.argv[1])["Folder"])' "$materials")"

source "$here/tools/cddb_server_start.sh"
trap 'stop_cddb_server; stop_musicbrainz_server' EXIT
trap 'exit 130' INT TERM
start_cddb_server --db "$work/db" || exit 1
port="$cddb_server_port"
echo "CDDB server: http://127.0.0.1:$port"
start_musicbrainz_server --db "$work/musicbrainz" --covers "$work/covers" || exit 1
echo "MusicBrainz stand-in: http://127.0.0.1:$musicbrainz_server_port"

# Settings of the demo's own, so the user's Settings.ini stays as it is.
mkdir -p "$work/settings"
{
    printf '[Paths]\nMP3 Folder=%s\n[Options]\n' "$album"
    for key in "${!options[@]}"; do
        printf '%s=%s\n' "$key" "${options[$key]}"
    done
    printf '[FreeDB]\nServer=http://127.0.0.1\nURL start=~cddb/cddb.cgi\nPort=%s\n' "$port"
    printf '[MusicBrainz]\nAsk=1\nServer=http://127.0.0.1:%s\nCover server=http://127.0.0.1:%s\n' \
        "$musicbrainz_server_port" "$musicbrainz_server_port"
} >"$work/settings/Settings.ini"

export KALVEX_SETTINGS_DIR="$work/settings" KALVEX_ASPI_LIBRARY="$virtual_drive"
export KALVEX_VIRTUAL_TOC="$work/disc.toc"
if [ ${#run[@]} -gt 0 ]; then
    DEMO_MATERIALS="$(/usr/bin/python3 -c 'import json, sys
print(json.dumps({**json.loads(sys.argv[1]), "Port": int(sys.argv[2]),
                  "MusicBrainzPort": int(sys.argv[3])}))' "$materials" "$port" \
        "$musicbrainz_server_port")" \
        "${run[@]}"
else
    "$program"
fi
