#!/usr/bin/env bash
# Installs everything a fresh Debian 12 machine lacks to build and test Kestro.
# Idempotent: packages already present are left alone, and then it prints
# nothing. apt's own output goes to build/setup.log; on a failure its end is
# shown.
set -euo pipefail
cd "$(dirname "$0")/.."

export DEBIAN_FRONTEND=noninteractive
packages=(
  cmake make g++ clang libclang-rt-14-dev libboost-regex1.81-dev googletest libgtest-dev
  libbenchmark-dev g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64 dpkg-dev lintian
  wine wine32:i386 libsystemd-dev systemd dbus tcpdump tshark iproute2 nftables procps
  msitools wixl osslsigncode faketime prometheus prometheus-node-exporter mandoc
  qemu-system-x86 busybox-static cpio xfsprogs
  iputils-ping bc python3-minimal
)
need=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need+=("$p")
done
[ ${#need[@]} -gt 0 ] || exit 0

mkdir -p build
log=$PWD/build/setup.log
echo "Installing what is missing (${#need[@]} Debian packages): ${need[*]}"
echo "On a fresh machine this takes about 5 to 10 minutes; apt's output goes to $log"
start=$SECONDS
# Another apt on this machine holds the lock for a while: wait for it.
apt=(apt-get -q -o DPkg::Lock::Timeout=900)
if ! {
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  "${apt[@]}" update
  # tshark asks whether non-root users may capture; answer before installing.
  echo "wireshark-common wireshark-common/install-setuid boolean false" | debconf-set-selections
  "${apt[@]}" install -y --no-install-recommends "${need[@]}"
} >"$log" 2>&1; then
  echo "Installing the packages failed; the end of $log:" >&2
  tail -n 25 "$log" >&2
  exit 1
fi
echo "Packages installed in $((SECONDS - start)) s."
