#!/usr/bin/env bash
# One version: CMakeLists.txt's project() writes it, and everything built
# takes it from there (the resource, the installer packages, the Debian
# package, the manual page). The change log's head is written by hand with
# its entry, so it is compared here; no other file may repeat the version.
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/check_lib.sh

version=$(scripts/version.sh) || exit 1
head=$(sed -n '1s/^kestro (\([^)]*\)).*/\1/p' packaging/changelog)
if [ "$head" = "$version" ]; then
  ok "the change log's head is $version, the project's version"
else
  not_ok "the change log's head is '$head', the project's version $version: add its entry"
fi
# The documentation shows the version in examples; the rest reads it.
if hits=$(git grep -nF "$version" -- . ':!CMakeLists.txt' ':!packaging/changelog' ':!*.md'); then
  not_ok "files repeat the version $version instead of reading it (scripts/version.sh, the build's generated/version.h):"
  sed 's/^/  /' <<<"$hits"
else
  ok "no other file repeats the version $version"
fi
finish version
