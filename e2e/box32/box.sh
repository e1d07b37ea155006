#!/usr/bin/env bash
# Runs a script inside a software-emulated x86-64 machine (qemu's TCG, no KVM
# needed) booting Debian's own kernel over this machine's root file system.
# That kernel runs 32-bit x86 code even where this machine's kernel refuses it
# ("Exec format error"), so the 32-bit Wine loader works inside.
#
# Usage: box.sh [--rw DIR]... [--mem MB] [--disk GB] SCRIPT [ARGS...]
#
# Inside, SCRIPT runs as root under bash, with its output on standard output:
# - / is this machine's root, read-only over 9p, under a RAM-backed overlay:
#   nothing written inside reaches this machine, except under --rw folders
#   (writable, at the same path);
# - /tmp is an XFS file system on a sparse scratch disk of --disk GB (default
#   24) made for this run and deleted after it: Wine prefixes are large (a
#   32-bit one about 600 MB; a copy is a reflink, nearly free) and wineserver
#   needs a file system that takes sockets, which 9p does not;
# - /lib/modules holds the modules of the box's own kernel (this machine's
#   are for another kernel), so nft and the like load what they need;
# - /run, /dev/shm, /dev/pts are fresh, /dev/fd exists, lo is up, no network.
#
# Exit code: SCRIPT's; 125 when the box could not start or did not finish
# SCRIPT (the reason on standard error, beginning "box:"); with "box: did
# not start" when SCRIPT never began.
# Needs: qemu-system-x86, busybox-static, xfsprogs, cpio (scripts/setup.sh), and
# Debian's kernel package, fetched once with `apt-get download` into
# $KESTRO_BOX_CACHE (default build/box32-kernel in the repository, kept out
# of the system's own folders, which the package tests check).
# -cpu qemu64 matters: with -cpu max, Wine's 32-bit loader dies at start.
set -euo pipefail

cache=${KESTRO_BOX_CACHE:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build/box32-kernel}
rw=()
mem=4096
disk=24
while [ $# -gt 0 ]; do
  case "$1" in
    --rw) rw+=("$(readlink -f "$2")"); shift 2 ;;
    --mem) mem=$2; shift 2 ;;
    --disk) disk=$2; shift 2 ;;
    *) break ;;
  esac
done
script=$(readlink -f "${1:?usage: box.sh [--rw DIR]... [--mem MB] [--disk GB] SCRIPT [ARGS...]}")
shift

cannot() { echo "box: did not start: $*" >&2; exit 125; }
for t in qemu-system-x86_64 busybox mkfs.xfs cpio apt-get dpkg-deb; do
  command -v "$t" >/dev/null || cannot "$t is not installed (scripts/setup.sh installs it)"
done

work=$(mktemp -d "${KESTRO_BOX_WORK:-/var/tmp}/kestro-box32-XXXXXX")
trap 'rm -rf "$work"' EXIT

# The kernel and its modules, fetched once: $cache/vmlinuz, $cache/version,
# $cache/lib/modules/VERSION with the module index busybox's modprobe reads.
fetch_kernel() {
  [ -f "$cache/version" ] && [ -f "$cache/vmlinuz" ] && return 0
  local pkg ver dir=$work/kernel
  pkg=$(apt-cache depends linux-image-amd64 2>/dev/null | sed -n 's/.*Depends: \(linux-image-[0-9].*\)/\1/p' | head -n 1)
  [ -n "$pkg" ] || cannot "apt-cache knows no linux-image-amd64 (apt-get update?)"
  mkdir -p "$dir" "$cache"
  (cd "$dir" && apt-get download "$pkg") >"$dir.log" 2>&1 || cannot "apt-get download $pkg: $(tail -n 1 "$dir.log")"
  dpkg-deb -x "$dir"/linux-image-*.deb "$dir/k"
  ver=$(ls "$dir/k/lib/modules")
  rm -rf "${cache:?}/lib" "$cache/version"
  mkdir -p "$cache/lib/modules"
  cp -a "$dir/k/lib/modules/$ver" "$cache/lib/modules/"
  busybox depmod -b "$cache" "$ver"
  cp "$dir/k/boot/vmlinuz-$ver" "$cache/vmlinuz"
  echo "$ver" >"$cache/version"
  rm -rf "$dir" "$dir.log"
}
fetch_kernel
ver=$(cat "$cache/version")
mods=$cache/lib/modules/$ver

# The initramfs: busybox, the modules that reach the root and the disk, and
# an init that builds the box's file systems and runs SCRIPT.
ird=$work/initrd
mkdir -p "$ird"/{bin,proc,sys,dev,lower,upper,newroot,lib/modules/"$ver"}
cp /bin/busybox "$ird/bin/busybox"
boot_mods="virtio_pci virtio_blk 9pnet_virtio 9p overlay crc32c_generic xfs"
for m in $boot_mods; do
  line=$(grep -E "(^|/)$m\.ko:" "$mods/modules.dep") || cannot "module $m missing from the kernel package"
  for f in ${line/:/}; do
    mkdir -p "$ird/lib/modules/$ver/$(dirname "$f")"
    cp "$mods/$f" "$ird/lib/modules/$ver/$f"
  done
done
cp "$mods"/modules.dep "$mods"/modules.alias "$mods"/modules.symbols "$ird/lib/modules/$ver/"
cat >"$ird/init" <<INIT
#!/bin/busybox sh
/bin/busybox mkdir -p /sbin /usr/bin /usr/sbin
/bin/busybox --install -s
mount -t proc proc /proc; mount -t sysfs sys /sys; mount -t devtmpfs dev /dev
for m in $boot_mods; do modprobe \$m || echo "box: modprobe \$m failed"; done
mount -t 9p -o trans=virtio,version=9p2000.L,ro,cache=loose,msize=262144 hostroot /lower
mount -t tmpfs tmpfs /upper; mkdir -p /upper/u /upper/w
mount -t overlay overlay -o lowerdir=/lower,upperdir=/upper/u,workdir=/upper/w /newroot
mount -t tmpfs tmpfs /newroot/run
for i in 1 2 3 4 5 6 7 8 9 10; do [ -b /dev/vda ] && break; sleep 0.5; done
mount -t xfs -o noatime /dev/vda /newroot/tmp && chmod 1777 /newroot/tmp || echo "box: no scratch disk on /tmp: \$(dmesg | tail -n 2 | tr "\n" " ")"
mkdir -p /newroot/lib/modules
mount -t 9p -o trans=virtio,version=9p2000.L,ro modules /newroot/lib/modules
# This machine may have no modprobe of its own: the kernel loads through busybox's.
mkdir -p /newroot/run/box; ln -s /bin/busybox /newroot/run/box/modprobe
echo /run/box/modprobe >/proc/sys/kernel/modprobe
set -- \$(sed -n 's/.*box_rw=\([^ ]*\).*/\1/p' /proc/cmdline | tr ',' ' ')
i=0
for d in "\$@"; do
  d=\$(printf '%s\n' "\$d" | sed 's/\\\\040/ /g')
  mkdir -p "/newroot\$d"
  mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144 rw\$i "/newroot\$d"
  i=\$((i + 1))
done
for d in proc sys dev; do mount --move /\$d /newroot/\$d; done
exec switch_root /newroot /bin/bash -c '
  mkdir -p /dev/shm /dev/pts; mount -t tmpfs tmpfs /dev/shm; mount -t devpts devpts /dev/pts
  ln -sf /proc/self/fd /dev/fd; ln -sf /proc/self/fd/0 /dev/stdin; ln -sf /proc/self/fd/1 /dev/stdout; ln -sf /proc/self/fd/2 /dev/stderr
  ip link set lo up; export HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
  eval "set -- \$(cat $work/args/args)"; cd /
  echo; echo BOX-BEGIN; bash "\$@" </dev/null 2>&1; echo "BOX-RC=\$?"
  echo o >/proc/sysrq-trigger'
INIT
chmod +x "$ird/init"
(cd "$ird" && find . | cpio -o -H newc 2>/dev/null | gzip -1) >"$work/initrd.gz"

# SCRIPT and its arguments reach the box through a shared folder of this run.
mkdir -p "$work/args"
printf '%q ' "$script" "$@" >"$work/args/args"
truncate -s "${disk}G" "$work/scratch.img"
mkfs.xfs -q -m reflink=1 "$work/scratch.img"

# shellcheck disable=SC2054  # qemu options hold commas
devs=(-fsdev "local,id=root,path=/,security_model=none,readonly=on,multidevs=remap"
      -device "virtio-9p-pci,fsdev=root,mount_tag=hostroot"
      -fsdev "local,id=mods,path=$cache/lib/modules,security_model=none,readonly=on"
      -device "virtio-9p-pci,fsdev=mods,mount_tag=modules"
      -object iothread,id=io0 -device virtio-blk-pci,drive=scratch,iothread=io0
      -drive "file=$work/scratch.img,format=raw,if=none,id=scratch,cache=unsafe,discard=unmap")
list=""
i=0
for d in "${rw[@]}" "$work/args"; do
  devs+=(-fsdev "local,id=w$i,path=$d,security_model=none,multidevs=remap" -device "virtio-9p-pci,fsdev=w$i,mount_tag=rw$i")
  # The kernel's command line ends a word at a blank: a blank in a path goes as \040.
  list+="${list:+,}${d// /\\040}"
  i=$((i + 1))
done

# The console carries the kernel's own lines too: only SCRIPT's pass on.
out=$work/console
timeout "${KESTRO_BOX_TIMEOUT:-3600}" qemu-system-x86_64 -machine q35 -accel tcg -cpu "${KESTRO_BOX_CPU:-qemu64}" \
  -smp "$(nproc)" -m "$mem" -nographic -no-reboot -nic none -kernel "$cache/vmlinuz" -initrd "$work/initrd.gz" \
  "${devs[@]}" -append "console=ttyS0 quiet loglevel=3 panic=-1 box_rw=$list" </dev/null 2>"$work/qemu.err" |
  sed -u 's/\r//g' | tee "$out" | sed -u -n '/^BOX-BEGIN$/,/^BOX-RC=[0-9]*$/p' | sed -u '1d; /^BOX-RC=[0-9]*$/d; /^\[ *[0-9.]*\] /d' || true
[ -z "${KESTRO_BOX_CONSOLE:-}" ] || cp "$out" "$KESTRO_BOX_CONSOLE"
sed -n '/^BOX-BEGIN$/q; /^box: /p' "$out" >&2
rc=$(sed -n 's/^BOX-RC=\([0-9]*\)$/\1/p' "$out" | tail -n 1)
if [ -n "$rc" ]; then exit "$rc"; fi
if grep -qx 'BOX-BEGIN' "$out"; then
  echo "box: the script did not finish (killed, timed out or the box crashed)" >&2
else
  cannot "$( (grep -v '^$' "$work/qemu.err"; grep -E 'box:|Kernel panic' "$out") | head -n 3 | tr '\n' ' ')"
fi
exit 125
