#!/usr/bin/env bash
# Builds the Windows Installer package of one Windows build with wixl:
#   packaging/build-msi.sh BUILD_DIR x86|x64 [FILE_VERSION [OUTPUT]]
# FILE_VERSION defaults to the build's own (generated/version.h), OUTPUT to
# BUILD_DIR/Kestro-FILE_VERSION-ARCH.msi. Prints the package's path.
#
# The installer compares only three fields of a version, each at most
# 255.255.65535, so the file version A.B.C.D (2004.01.15.2) becomes
# (A-2000).B.(C*100+D) (4.1.1502): order-preserving for A 2000-2255,
# B 0-255, C 0-655 and D 0-99; anything else is refused here.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1 arch=$2
case "$arch" in x86|x64) ;; *) echo "build-msi.sh: unknown architecture $arch" >&2; exit 2 ;; esac
build=$(realpath "$build")
version=${3:-$(sed -n 's/^#define KESTRO_FILE_VERSION "\(.*\)"$/\1/p' "$build/generated/version.h")}
output=${4:-$build/Kestro-$version-$arch.msi}

IFS=. read -r a b c d rest <<<"$version"
for f in "$a" "$b" "$c" "$d"; do
  [[ $f =~ ^[0-9]{1,5}$ ]] || { echo "build-msi.sh: file version $version is not A.B.C.D" >&2; exit 2; }
done
a=$((10#$a)) b=$((10#$b)) c=$((10#$c)) d=$((10#$d))
if [ -n "$rest" ] || [ $a -lt 2000 ] || [ $a -gt 2255 ] || [ $b -gt 255 ] || [ $c -gt 655 ] || [ $d -gt 99 ]; then
  echo "build-msi.sh: file version $version has no installer version (see docs/install-windows.md)" >&2
  exit 2
fi
msi_version=$((a - 2000)).$b.$((c * 100 + d))

# One product code per version and architecture: a rebuild of the same
# version is the same product, and every other version is another one, as a
# major upgrade needs.
h=$(printf 'Kestro %s %s' "$arch" "$msi_version" | md5sum | tr a-f A-F)
product_code=${h:0:8}-${h:8:4}-${h:12:4}-${h:16:4}-${h:20:12}

# With SOURCE_DATE_EPOCH (scripts/build.sh sets the commit's) the package is
# reproducible: its file and its own dates are that time, its package code
# is derived from its contents (stamp_package, last).
source=$build
faketime=()
if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
  source=$build/msi-source
  mkdir -p "$source"
  cp "$build/Kestro.exe" "$source/Kestro.exe"
  rm -rf "$source/PolicyDefinitions"
  cp -r "$build/PolicyDefinitions" "$source/PolicyDefinitions"
  find "$source/Kestro.exe" "$source/PolicyDefinitions" -exec touch -d "@$SOURCE_DATE_EPOCH" {} +
  # -f: the clock stands still at that time (without it, it runs from there).
  faketime=(env TZ=UTC faketime -f "$(TZ=UTC date -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S')")
fi
# wixl takes source files by paths relative to the working directory only.
"${faketime[@]}" wixl -a "$arch" -D Arch="$arch" -D Version="$msi_version" -D ProductCode="$product_code" \
  -D BuildDir="$(realpath --relative-to=. "$source")" -o "$output" packaging/kestro.wxs
# What wixl does not write: the service's recovery actions, set by
# MsiConfigureServices (Windows Installer 5; older ones skip the action and
# the table), the log folder's rights, and the "LogDir" component's condition
# (no LogDir yet) and permanence (16; 256 marks a 64-bit component, 4 a
# registry key path).
logs_attributes=20
[ "$arch" = x64 ] && logs_attributes=276
"${faketime[@]}" msibuild "$output" -i packaging/msi/MsiServiceConfigFailureActions.idt \
  -i packaging/msi/MsiLockPermissionsEx.idt \
  -q "UPDATE Component SET Attributes = $logs_attributes, Condition = 'NOT KESTROLOGDIR' WHERE Component = 'KestroLogs'" \
  -q "INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('MsiConfigureServices', 'VersionMsi >= \"5.00\"', 5850)"

# stamp_package: a package code that changes with every byte of the
# package, as the installer wants, and only then: wixl's random one is
# replaced by zeros, the package hashed, and the hash made the code.
stamp_package() {
  [ -n "${SOURCE_DATE_EPOCH:-}" ] || return 0
  local info h
  info=$(msiinfo suminfo "$output")
  set -- "$(sed -n 's/^Subject: //p' <<<"$info")" "$(sed -n 's/^Author: //p' <<<"$info")" \
    "$(sed -n 's/^Template: //p' <<<"$info")"
  msibuild "$output" -s "$@" "{00000000-0000-0000-0000-000000000000}"
  h=$(md5sum <"$output" | tr a-f A-F)
  msibuild "$output" -s "$@" "{${h:0:8}-${h:8:4}-${h:12:4}-${h:16:4}-${h:20:12}}"
}
stamp_package
echo "$output"
