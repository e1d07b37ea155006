#!/usr/bin/env bash
# Reproducible builds: two clean clones of the commit, in different folders
# (one with a blank in its path), built one after the other by
# scripts/release.sh (the second with another time zone and umask), must
# give the same bytes. Each differing file is named, and explained by
# diffoscope where it is installed.
#   scripts/check_reproducible.sh [--all]
# By default the 32-bit Kestro.exe and its package, as the test command
# runs it; --all compares every file of a release: both programs, both
# packages, the Debian package. Unsigned: the signatures carry their time.
# Ends with "reproducible: N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/check_lib.sh

scope=(--only-x86)
[ "${1:-}" = --all ] && scope=()
commit=$(git rev-parse HEAD)
work=$(mktemp -d /tmp/kestro-reproducible-XXXXXX)
trap 'rm -rf "$work"' EXIT
one=$work/one
two="$work/with blank/two"
unset KESTRO_SIGN_CERT KESTRO_SIGN_KEY KESTRO_SIGN_PKCS12 KESTRO_SIGN_PASSWORD_FILE KESTRO_SIGN_TIMESTAMP_URL
for dir in "$one" "$two"; do
  mkdir -p "$(dirname "$dir")"
  if ! git clone -q --no-checkout "$PWD" "$dir" || ! git -C "$dir" checkout -q --detach "$commit"; then
    not_ok "a clone of $commit in $dir"
    finish reproducible
  fi
done
(cd "$one" && scripts/release.sh "${scope[@]}") >"$work/one.log" 2>&1 &&
  (cd "$two" && umask 0002 && TZ=Pacific/Kiritimati scripts/release.sh "${scope[@]}") >"$work/two.log" 2>&1
rc=$?
if [ "$rc" -ne 0 ]; then
  not_ok "both release builds of $commit ran"
  tail -n 20 "$work"/*.log
  finish reproducible
fi

# What was released, and the programs as they went into their packages.
listing() { (cd "$1" && find dist build/release/x*/Kestro.exe -type f | LC_ALL=C sort); }
mapfile -t files < <(listing "$one")
if [ "$(listing "$two")" != "$(listing "$one")" ]; then
  not_ok "the same files: $(listing "$one" | xargs) / $(listing "$two" | xargs)"
fi
for f in "${files[@]}"; do
  if cmp -s "$one/$f" "$two/$f"; then
    ok "$f: the same bytes in both builds (SHA-256 $(sha256sum <"$one/$f" | cut -c1-16)...)"
  else
    not_ok "$f differs between $one and $two"
    if command -v diffoscope >/dev/null; then
      diffoscope --text - "$one/$f" "$two/$f" | head -n 60
    else
      cmp -l "$one/$f" "$two/$f" | head -n 5
      echo "  (diffoscope, where installed, explains the difference)"
    fi
  fi
done
finish reproducible
