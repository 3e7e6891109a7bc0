#!/usr/bin/env bash
# The main job in one command: `kalvex-cli tag-album --album FILE --rename
# --optimise` over a 99-file album (ID3 v1 and v2.3 tags, the files renamed to
# "NN Title.mp3", the folder to the album), against Debian's kid3-cli doing the
# same in one process: artist, album, title, track, year and genre set in the
# ID3 v2 tag and copied to ID3 v1, each file named from its tags, the folder
# renamed. Each run starts from fresh copies; the best of five counts.
#   bench/tag_album_bench.sh [FILES] [CLI]
set -euo pipefail
cd "$(dirname "$0")/.."
files=${1:-99}
source bench/bench_lib.sh
cli=$(bench_cli "${2:-}")
# kid3-cli is the peer of this benchmark only, so it is installed here and not
# with the project's own dependencies.
if ! command -v kid3-cli >/dev/null; then
    sudo=$([[ $(id -u) -eq 0 ]] || echo sudo)
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends kid3-cli >/dev/null
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sox -n -r 44100 -c 2 "$work/tone.wav" synth 3 sine 440 2>/dev/null
lame --quiet -b 128 "$work/tone.wav" "$work/tone.mp3"
mkdir "$work/pristine"
reply=(
    "210 misc 0a0b0c0d CD database entry follows (until terminating \`.')"
    "DISCID=0a0b0c0d" "DTITLE=Bench Band / Bench Album" "DYEAR=2001" "DGENRE=Rock"
)
kid3=()
for i in $(seq 1 "$files"); do
    name=$(printf 'Track%02d.mp3' "$i")
    cp "$work/tone.mp3" "$work/pristine/$name"
    reply+=("TTITLE$((i - 1))=Song $i" "EXTT$((i - 1))=")
    kid3+=(-c "select none" -c "select \"$name\"" -c "set artist \"Bench Band\" 2"
        -c "set album \"Bench Album\" 2" -c "set title \"Song $i\" 2" -c "set track $i 2"
        -c "set date 2001 2" -c "set genre Rock 2" -c "syncto 1"
        -c "fromtag \"%{track} %{title}\" 2")
done
kid3+=(-c save -c "select all" -c "renamedir \"%{album}\" rename 2" -c save)
reply+=("EXTD=" "PLAYORDER=" ".")
printf '%s\r\n' "${reply[@]}" >"$work/reply.txt"

ours() { "$cli" tag-album "$1" --album "$work/reply.txt" --rename --optimise; }
peer() { (cd "$1" && kid3-cli "${kid3[@]}" .); }

# Seconds of one run on fresh copies; checks that the job was done.
run() {
    rm -rf "$work/run"
    mkdir "$work/run"
    cp -r "$work/pristine" "$work/run/Audio CD"
    sync
    seconds "$1" "$work/run/Audio CD"
    local done
    done=$(find "$work/run/Bench Album" -name '[0-9]* Song *.mp3' | wc -l)
    [[ $done -eq $files ]] || { echo "$1 renamed $done of $files files" >&2; exit 1; }
}
ours_s=$(best run ours)
peer_s=$(best run peer)
printf 'files %d\nkalvex-cli tag-album %.3f s\nkid3-cli             %.3f s\nratio tag-album/kid3-cli %.2f\n' \
    "$files" "$ours_s" "$peer_s" "$(echo "$ours_s / $peer_s" | bc -l)"
