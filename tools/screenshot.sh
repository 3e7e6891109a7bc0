#!/usr/bin/env bash
# Starts kalvex-tagger on a virtual X server (xvfb-run), waits until its main
# window is drawn and saves a PNG of that window.
#   tools/screenshot.sh [PROGRAM] [OUTPUT.png]
# Defaults: build/run/src/app/kalvex-tagger and docs/main-window.png.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
program="${1:-$here/build/run/src/app/kalvex-tagger}"
output="${2:-$here/docs/main-window.png}"
[ -x "$program" ] || { echo "screenshot.sh: no program at $program" >&2; exit 2; }
mkdir -p "$(dirname "$output")"
# The program runs from a scratch folder, so both paths must be absolute.
program="$(realpath "$program")"
output="$(realpath "$output")"

# The program grabs its own window; KALVEX_SCREENSHOT names the file and makes
# it quit afterwards. A home of its own keeps the user's settings out.
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/music/Album"
cd "$scratch/music/Album"
# Without a CD drive the program would stop at "No working interface found!";
# the build's virtual drive, holding a two-track disc, stands in.
virtual_drive="$(dirname "$program")/../cdrom/virtual_drive/libkalvex-virtual-aspi.so"
echo "1 2 0:2:0 3:0:0 5:30:10" > "$scratch/disc.toc"
HOME="$scratch" XDG_CONFIG_HOME="$scratch/config" QT_QPA_PLATFORM=xcb \
KALVEX_ASPI_LIBRARY="$(realpath -m "$virtual_drive")" KALVEX_VIRTUAL_TOC="$scratch/disc.toc" \
KALVEX_SCREENSHOT="$output" \
    timeout 60 xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24" "$program"
[ -s "$output" ] || { echo "screenshot.sh: no screenshot was written" >&2; exit 1; }
echo "$output"
