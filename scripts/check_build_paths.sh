#!/usr/bin/env bash
# The end-to-end scripts and the benchmarks take the Windows programs from
# the build under test (KESTRO_WIN_BUILD, KESTRO_EXE) or ask
# scripts/wine-arch.sh for the other build (kestro_build_dir), so that a run
# against one build never reaches into the other. This check fails on any
# line there that names a Windows build folder itself.
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/check_lib.sh

# named_folders FILE...: the lines that name build/win or build/win64.
named_folders() { grep -nHE '(^|[^A-Za-z0-9_])build/win(64)?([^A-Za-z0-9_]|$)' "$@"; }

# The check itself first: it must catch both folders, quoted or not, and
# leave the names the scripts are meant to use alone.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '%s\n' 'TOOL=$REPO_ROOT/build/win/platform_tool.exe' 'exe="$ROOT/build/win64"' \
  'x=build/win' >"$work/named.sh"
printf '%s\n' 'TOOL=$KESTRO_WIN_BUILD/platform_tool.exe' 'EXE32=$(kestro_build_dir win32)/Kestro.exe' \
  'out=$E2E_WORK/build/winter' >"$work/clean.sh"
if [ "$(named_folders "$work/named.sh" | wc -l)" = 3 ] && ! named_folders "$work/clean.sh" >/dev/null; then
  ok "the check finds a named build folder and only that"
else
  not_ok "the check no longer tells a named build folder from the chosen build"
fi

mapfile -t scripts < <(find e2e bench -name '*.sh' | sort)
if hits=$(named_folders "${scripts[@]}"); then
  not_ok "end-to-end scripts and benchmarks name a build folder instead of the build under test:"
  printf '  %s\n' "$hits"
else
  ok "${#scripts[@]} end-to-end scripts and benchmarks take the build under test"
fi

finish paths
