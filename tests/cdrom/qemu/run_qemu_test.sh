#!/usr/bin/env bash
# Boots a Debian kernel under QEMU (TCG, no KVM needed) with an initramfs
# made here from busybox, the kernel's own SCSI/CD modules and the static
# guest program, and checks what the guest reads through the real SG_IO
# pass-through: one virtio-scsi CD drive with a small image and overridden
# INQUIRY fields, and one empty drive; as root, as a user who may open the
# drives, and as one who may not.
#
# usage: run_qemu_test.sh GUEST_PROGRAM WORK_FOLDER
set -euo pipefail

guest_program=$1
work=$2
boot_seconds=${KALVEX_QEMU_TIMEOUT:-90}

fail() { echo "qemu test: $*" >&2; exit 1; }

command -v qemu-system-x86_64 >/dev/null || fail "qemu-system-x86_64 missing (tools/install-deps.sh)"
busybox=$(command -v busybox || true)
[ -n "$busybox" ] || fail "busybox missing (busybox-static)"
if command -v file >/dev/null && ! file -L "$busybox" | grep -q 'statically linked'; then
    fail "$busybox is not statically linked (install busybox-static)"
fi
modprobe=$(command -v modprobe || echo /sbin/modprobe)

# The newest installed kernel that has its modules.
kernel=""
for candidate in $(ls -v /boot/vmlinuz-* 2>/dev/null | tac); do
    version=${candidate#/boot/vmlinuz-}
    if [ -r "$candidate" ] && [ -d "/lib/modules/$version" ]; then
        kernel=$candidate
        break
    fi
done
[ -n "$kernel" ] || fail "no readable /boot/vmlinuz-* with modules (linux-image-amd64)"

rm -rf "$work"
mkdir -p "$work/root/bin" "$work/root/lib/modules" "$work/root/dev" "$work/root/proc" "$work/root/sys"
cp "$busybox" "$work/root/bin/busybox"
cp "$guest_program" "$work/root/kalvex-qemu-guest"

# The modules in the order modprobe would load them, each once, unpacked.
: > "$work/root/modules.order"
for module in virtio_pci virtio_scsi scsi_mod cdrom sr_mod sg; do
    while read -r verb path _; do
        [ "$verb" = insmod ] || continue
        name=$(basename "${path%.xz}") && name=${name%.zst}
        case "$path" in
            *.ko.xz) xz -dc "$path" ;; *.ko.zst) zstd -qdc "$path" ;; *.ko) cat "$path" ;;
            *) fail "unexpected module file $path" ;;
        esac > "$work/root/lib/modules/$name"
        grep -qx "$name" "$work/root/modules.order" || echo "$name" >> "$work/root/modules.order"
    done < <("$modprobe" -S "$version" --show-depends "$module")
done
[ -s "$work/root/modules.order" ] || fail "modprobe named no modules for kernel $version"

cat > "$work/root/init" <<'INIT'
#!/bin/busybox sh
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
for module in $(cat /modules.order); do
    insmod "/lib/modules/$module" || echo "KALVEX-BOOT insmod $module failed"
done
tries=0
while [ $tries -lt 100 ] && ! { [ -e /dev/sr0 ] && [ -e /dev/sr1 ]; }; do
    usleep 100000
    tries=$((tries + 1))
done
echo "KALVEX-BOOT devices: $(ls /dev | grep -E '^(sr|sg)' | tr '\n' ' ')"
/kalvex-qemu-guest
echo "KALVEX-EXIT $?"
# Again as a user without privileges who may open the drives (as members of
# the cdrom group may): the kernel's command filter must let our commands by.
chmod 0666 /dev/sr0 /dev/sr1
echo "KALVEX-AS-USER"
/kalvex-qemu-guest --as-uid 1000
echo "KALVEX-EXIT $?"
# A user who may not open the drives finds no pass-through drive.
chmod 0600 /dev/sr0 /dev/sr1
echo "KALVEX-NO-ACCESS"
/kalvex-qemu-guest --as-uid 1000
echo "KALVEX-EXIT $?"
poweroff -f
INIT
chmod +x "$work/root/init"
(cd "$work/root" && find . | cpio -o -H newc --quiet) > "$work/initramfs.cpio"

# A 1 MiB data "disc": 512 blocks, so the lead-out lies at 512 + 150 frames.
truncate -s 1M "$work/disc.img"

echo "booting $kernel under TCG (at most ${boot_seconds}s)"
set +e
timeout --kill-after=5 "$boot_seconds" qemu-system-x86_64 \
    -accel tcg -M pc -nodefaults -no-reboot -display none -m 256 \
    -kernel "$kernel" -initrd "$work/initramfs.cpio" \
    -append "console=ttyS0 panic=-1 quiet" \
    -serial "file:$work/console.log" \
    -device virtio-scsi-pci,id=scsi0 \
    -drive if=none,id=cd0,file="$work/disc.img",format=raw,media=cdrom,readonly=on \
    -device scsi-cd,bus=scsi0.0,drive=cd0,scsi-id=0,lun=0,vendor=KALVEX,product=QEMU-TEST-CD,ver=4.56 \
    -device scsi-cd,bus=scsi0.0,scsi-id=1,lun=0,ver=1.00
qemu_status=$?
set -e
tr -d '\r' < "$work/console.log" | grep '^KALVEX-' > "$work/result.txt" || true
if [ "$qemu_status" -eq 124 ] || [ "$qemu_status" -eq 137 ]; then
    cat "$work/console.log" >&2
    fail "the guest did not answer within ${boot_seconds}s (console above)"
fi
[ "$(grep -c '^KALVEX-EXIT' "$work/result.txt")" -eq 3 ] || {
    cat "$work/console.log" >&2
    fail "the guest program did not run (QEMU exit status $qemu_status; console above)"
}

# The image is a data disc: its one track reads as a data track ("d").
one_run=$(cat <<'EXPECTED'
KALVEX-INTERFACE SPTI
KALVEX-ENTRY 1 /dev/sr0: KALVEX  QEMU-TEST-CD    4.56 (0:0:0)
KALVEX-ENTRY 2 /dev/sr1: QEMU    QEMU CD-ROM     1.00 (0:1:0)
KALVEX-TUR 1 0 00/00/00
KALVEX-TOC 1 1 1 0:2:0d 0:8:62
KALVEX-DISCID 1 2000601
KALVEX-TUR 2 2 02/3A/00
KALVEX-MESSAGE Could not read CD drive - please ensure an audio CD has been inserted.
KALVEX-EXIT 0
EXPECTED
)
no_access=$(cat <<'EXPECTED'
KALVEX-NO-ACCESS
KALVEX-MESSAGE No working interface found!
KALVEX-EXIT 1
EXPECTED
)
expected=$(printf '%s\nKALVEX-AS-USER\n%s\n%s' "$one_run" "$one_run" "$no_access")
actual=$(grep -v '^KALVEX-BOOT' "$work/result.txt")
grep '^KALVEX-BOOT' "$work/result.txt" || true
if [ "$actual" != "$expected" ]; then
    diff <(echo "$expected") <(echo "$actual") >&2 || true
    fail "the guest read something else than expected (diff above: < expected, > guest)"
fi
echo "$actual"
echo "qemu test passed"
