#!/usr/bin/env bash
# Installs everything a fresh Debian 12 machine lacks to build and test Kestro.
# Idempotent: packages already present are left alone.
set -euo pipefail

export DEBIAN_FRONTEND=noninteractive
need=()
for p in cmake make g++ clang libclang-rt-14-dev libboost-regex1.81-dev googletest libgtest-dev \
         libbenchmark-dev g++-mingw-w64-i686-posix binutils-mingw-w64-i686 \
         g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64 dpkg-dev lintian \
         wine wine32:i386 libsystemd-dev systemd dbus tcpdump tshark iproute2 nftables procps \
         qemu-system-x86 busybox-static cpio xfsprogs; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -q
  # tshark asks whether non-root users may capture; answer before installing.
  echo "wireshark-common wireshark-common/install-setuid boolean false" | debconf-set-selections
  apt-get install -y -q --no-install-recommends "${need[@]}"
fi
