#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Kalvex
# Tagger need. This list is the only one: the Makefile and CI call this script.
# Nothing happens when everything is already installed.
set -euo pipefail

packages=(
    # build
    cmake g++ make pkg-config
    # libraries of the program
    qt6-base-dev libcurl4-openssl-dev libffi-dev nlohmann-json3-dev
    # the window's platform plugins (X11, offscreen) and fonts (Arial's metrics)
    qt6-qpa-plugins fonts-dejavu-core fonts-liberation2
    # the program on a virtual X server, clicked through (X input events) and pictured
    xvfb xauth xdotool imagemagick
    # tests and their independent oracles
    libgtest-dev libgmock-dev libdiscid-dev
    # the CD pass-through test: a Debian kernel booted under QEMU with busybox
    qemu-system-x86 linux-image-amd64 kmod busybox-static cpio
    # tag reading: MP3s made on the fly and an independent reader (interop tests, make demo)
    sox lame python3-mutagen
    # tag reading benchmark: the peer it is measured against, and syscall counts
    libtag1-dev strace
    # tag writing: more independent readers of what we write (interop tests)
    ffmpeg eyed3
    # tag writing on file systems that share blocks and one that does not:
    # loop images for the tests and the write benchmark, chattr
    xfsprogs btrfs-progs e2fsprogs
    # the Debian package (cpack's dpkg-shlibdeps), its checks and its test in a fresh root
    dpkg-dev file desktop-file-utils appstream man-db debootstrap
    # fuzzing (clang's libFuzzer and sanitizer runtimes)
    clang libclang-rt-14-dev
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
