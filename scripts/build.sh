#!/usr/bin/env bash
# Builds the native Linux program with its tests and benchmarks, the
# sanitizer build of the unit tests, and Kestro.exe for Windows twice:
# 32-bit x86 in build/win, 64-bit x86-64 in build/win64, each with its
# Windows Installer package.
# With "win" only the Windows builds.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
# The only time that goes into what is built: the commit's (the installer
# packages' dates, the Debian package's). A tree that is no git clone takes
# the change log's.
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null) ||
    SOURCE_DATE_EPOCH=$(date -d "$(sed -n 's/^ -- .*>  //p' packaging/changelog | head -n 1)" +%s)
fi
export SOURCE_DATE_EPOCH
# The Debian package's archives record the modes of the files CPack writes.
umask 022

# configure DIR ARGS...: CMake for one build folder. A toolchain file counts
# only when the folder is first configured; later runs leave it out, so that
# CMake does not warn that it went unused.
configure() {
  local dir=$1 args=()
  shift
  for a in "$@"; do
    case "$a" in
      -DCMAKE_TOOLCHAIN_FILE=*) [ -f "$dir/CMakeCache.txt" ] || args+=("$a") ;;
      *) args+=("$a") ;;
    esac
  done
  cmake -S . -B "$dir" "${args[@]}" >/dev/null
}

build_win() {
  configure build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release
  cmake --build build/win -j"$jobs"
  packaging/build-msi.sh build/win x86  # Kestro-<version>-x86.msi
  configure build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release
  cmake --build build/win64 -j"$jobs"
  packaging/build-msi.sh build/win64 x64
}
if [ "${1:-}" = win ]; then
  build_win
  exit 0
fi

configure build/linux -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/linux -j"$jobs"
(cd build/linux && cpack -G DEB >/dev/null)  # kestro_<version>_amd64.deb

configure build/asan -DCMAKE_BUILD_TYPE=Debug -DKESTRO_SANITIZE=ON
cmake --build build/asan -j"$jobs" --target kestro_tests kestro_posix_tests
configure build/tsan -DCMAKE_BUILD_TYPE=Debug -DKESTRO_TSAN=ON && cmake --build build/tsan -j"$jobs" --target kestro_posix_tests

build_win
