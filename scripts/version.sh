#!/usr/bin/env bash
# Prints Kestro's version as CMakeLists.txt's project() gives it: the one
# place it is written. Scripts and tests that need it read it here.
set -euo pipefail
v=$(sed -n 's/^project(Kestro VERSION \([0-9.]*\) .*/\1/p' "$(dirname "$0")/../CMakeLists.txt")
[ -n "$v" ] || { echo "version.sh: no project(Kestro VERSION ...) in CMakeLists.txt" >&2; exit 1; }
echo "$v"
