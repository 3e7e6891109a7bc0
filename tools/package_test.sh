#!/usr/bin/env bash
# Installs the Debian package with apt into a fresh Debian 12 (bookworm)
# minbase root and checks that what a user gets works there: both programs
# start, a lookup reaches a CDDB server on the host (the root shares the host's
# network), the virtual drive loads from its installed place, and the desktop
# file, metainfo and manual page are valid.
#   tools/package_test.sh [--work DIR] [--cpack BUILD_DIR] [PACKAGE_DIR]
# PACKAGE_DIR holds the kalvex-tagger_*.deb (default build/package); with
# --cpack the package is first made from BUILD_DIR into DIR/deb. The root is
# DIR/package-root (default build/); the bootstrapped root and apt's downloads
# are kept in DIR/package-cache, so a second run downloads nothing but the
# package lists. KALVEX_DEBIAN_MIRROR names another mirror. Needs root and
# debootstrap; exit code 77 when they are missing (skipped).
set -euo pipefail
shopt -s inherit_errexit

here="$(cd "$(dirname "$0")/.." && pwd)"
work="$here/build"
cpack_build=""
while [ $# -gt 1 ]; do
    case "$1" in
        --work) work="$(realpath -m "$2")"; shift 2 ;;
        --cpack) cpack_build="$(realpath -m "$2")"; shift 2 ;;
        *) break ;;
    esac
done
package_dir="$(realpath -m "${1:-$here/build/package}")"
mirror="${KALVEX_DEBIAN_MIRROR:-http://deb.debian.org/debian}"
root="$work/package-root"
cache="$work/package-cache"
started=$SECONDS

say() { echo "package_test: $*"; }
fail() { echo "package_test: FAILED: $*" >&2; exit 1; }

[ "$(id -u)" -eq 0 ] || { say "skipped: needs root (debootstrap, chroot)"; exit 77; }
command -v debootstrap >/dev/null || { say "skipped: debootstrap is not installed"; exit 77; }
if [ -n "$cpack_build" ]; then
    package_dir="$work/deb"
    rm -rf "$package_dir"
    say "making the package from $cpack_build"
    mkdir -p "$work"
    cpack -G DEB -B "$package_dir" --config "$cpack_build/CPackConfig.cmake" >"$work/cpack.log" 2>&1 ||
        fail "cpack (see $work/cpack.log)"
fi
debs=("$package_dir"/kalvex-tagger_*.deb)
[ -f "${debs[0]}" ] || fail "no kalvex-tagger_*.deb in $package_dir (make package)"
[ ${#debs[@]} -eq 1 ] || fail "more than one package in $package_dir: ${debs[*]}"
deb="${debs[0]}"

source "$here/tools/cddb_server_start.sh"
cleanup() {
    stop_cddb_server
    if mountpoint -q "$root/proc"; then
        umount "$root/proc" || umount -l "$root/proc"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A clean environment, but a sanitizer build's options pass.
in_root() {
    chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
        ${ASAN_OPTIONS:+ASAN_OPTIONS="$ASAN_OPTIONS"} "$@"
}

# A fresh root each run, from the cached one when there is one.
mkdir -p "$cache/archives"
if mountpoint -q "$root/proc"; then
    fail "$root/proc is still mounted from an earlier run; umount it first"
fi
rm -rf "$root"
mkdir -p "$root"
if [ -f "$cache/bookworm-minbase.tar" ]; then
    say "unpacking the cached Debian 12 root"
    tar -C "$root" -xf "$cache/bookworm-minbase.tar"
else
    say "bootstrapping Debian 12 (minbase) from $mirror"
    debootstrap --variant=minbase bookworm "$root" "$mirror" >"$cache/debootstrap.log" 2>&1 ||
        fail "debootstrap (see $cache/debootstrap.log)"
    tar -C "$root" -cf "$cache/bookworm-minbase.tar.part" . &&
        mv "$cache/bookworm-minbase.tar.part" "$cache/bookworm-minbase.tar"
fi
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"

say "installing $(basename "$deb") with apt"
cp "$deb" "$root/tmp/"
cp "$cache/archives/"*.deb "$root/var/cache/apt/archives/" 2>/dev/null || true
in_root apt-get update -qq >"$cache/apt.log" 2>&1 || fail "apt-get update (see $cache/apt.log)"
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    -o APT::Keep-Downloaded-Packages=true "/tmp/$(basename "$deb")" desktop-file-utils \
    >>"$cache/apt.log" 2>&1 || fail "apt-get install (see $cache/apt.log)"
cp -n "$root/var/cache/apt/archives/"*.deb "$cache/archives/" 2>/dev/null || true

say "kalvex-cli --help"
in_root kalvex-cli --help | grep -q '^  lookup ' || fail "kalvex-cli --help lists no lookup"

# A lookup against our CDDB server on the host, by text and by the virtual
# drive from its installed place.
start_cddb_server --db "$here/tests/freedb/server_db" || fail "no CDDB server"
port="$cddb_server_port"
toc="1 4 0:2:0 4:10:20 8:30:0 12:45:37 16:20:12"
say "kalvex-cli lookup --source cddb --toc ... --server http://127.0.0.1:$port"
album="$(in_root kalvex-cli lookup --source cddb --toc "$toc" --server "http://127.0.0.1:$port")" ||
    fail "lookup: $album"
grep -q '^Album: Sånger från norr$' <<<"$album" || fail "lookup gave: $album"
library="$(cd "$root" && ls usr/lib/*/kalvex-tagger/libkalvex-virtual-aspi.so)"
echo "$toc" >"$root/tmp/disc.toc"
say "kalvex-cli lookup --drive 1 with /$library"
album="$(in_root env KALVEX_ASPI_LIBRARY="/$library" KALVEX_VIRTUAL_TOC=/tmp/disc.toc \
    kalvex-cli lookup --source cddb --drive 1 --server "http://127.0.0.1:$port")" || fail "drive lookup: $album"
grep -q '^Album: Sånger från norr$' <<<"$album" || fail "drive lookup gave: $album"

say "kalvex-tagger opens its window (offscreen)"
in_root env QT_QPA_PLATFORM=offscreen KALVEX_SCREENSHOT=/tmp/window.png \
    KALVEX_ASPI_LIBRARY="/$library" timeout 60 kalvex-tagger >"$cache/window.log" 2>&1 ||
    fail "kalvex-tagger (see $cache/window.log)"
[ -s "$root/tmp/window.png" ] || fail "kalvex-tagger drew no window"

say "desktop-file-validate, appstreamcli, man"
desktop="$(cd "$root" && ls usr/share/applications/*.desktop)"
in_root desktop-file-validate "/$desktop" || fail "desktop-file-validate /$desktop"
icon="$(sed -n 's/^Icon=//p' "$root/$desktop")"
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no icon $icon.svg"
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml >/dev/null ||
        fail "appstreamcli validate"
fi
MANWIDTH=80 man -l "$root/usr/share/man/man1/kalvex-cli.1.gz" 2>&1 | grep -q '^COMMANDS' ||
    fail "man -l kalvex-cli.1.gz"

say "passed in $((SECONDS - started)) s"
