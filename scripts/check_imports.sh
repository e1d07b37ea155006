#!/usr/bin/env bash
# Kestro.exe must start on the oldest Windows it supports, Windows XP SP3 and
# Server 2003: the loader refuses a program that imports a single function
# the system lacks. Every function the program imports from a system DLL is
# declared here through the mingw-w64 headers with _WIN32_WINNT set to XP,
# so the compiler rejects whatever is newer; the C runtime's imports are held
# against a reviewed list of what XP's msvcrt.dll exports. Ends with
# "imports: N passed, N failed".
#   check_imports.sh [EXE]        default: build/win/Kestro.exe
#   check_imports.sh --list FILE  a list of "DLL function" lines instead
set -uo pipefail
export LC_ALL=C  # plain quotes in the compiler's messages
cd "$(dirname "$0")/.."

CC=i686-w64-mingw32-gcc-posix
OBJDUMP=i686-w64-mingw32-objdump
XP=0x0501
MSVCRT_LIST=scripts/xp-msvcrt-imports.txt

passed=0
failed=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

ok() { echo "ok: $*"; passed=$((passed + 1)); }
not_ok() { echo "FAILED: $*"; failed=$((failed + 1)); }

# "DLL function" lines of the program's import table.
imports_of() {
  "$OBJDUMP" -p "$1" | awk '/DLL Name:/ {dll = $3; next}
                           dll != "" && /^\t[0-9a-f]+\t/ {print dll, $NF}'
}

# Functions of the system DLLs that the XP headers do not declare.
newer_than_xp() {
  local names=$1 src=$work/declared.c
  {
    echo "#define _WIN32_WINNT $XP"
    echo "#define WINVER $XP"
    echo "#include <winsock2.h>"
    echo "#include <windows.h>"
    echo "#include <iphlpapi.h>"
    echo "#include <winver.h>"
    echo "void *const kUsed[] = {"
    sed 's/.*/  (void *)\&&,/' "$names"
    echo "};"
  } >"$src"
  local out rejected
  out=$("$CC" -fsyntax-only "$src" 2>&1) && return 0
  rejected=$(sed -n "s/.*error: '\([A-Za-z0-9_]*\)' undeclared.*/\1/p" <<<"$out" | sort -u)
  echo "${rejected:-(the declarations did not compile: $(grep -m1 error <<<"$out"))}"
}

# Checks one import list; returns non-zero when anything is newer than XP.
check_list() {
  local list=$1 label=$2 bad=0 dll names rejected
  for dll in $(cut -d' ' -f1 "$list" | sort -u); do
    names=$work/names.txt
    awk -v d="$dll" '$1 == d {print $2}' "$list" | sort -u >"$names"
    case "${dll,,}" in
      kernel32.dll | advapi32.dll | ws2_32.dll | iphlpapi.dll | version.dll)
        rejected=$(newer_than_xp "$names")
        if [ -n "$rejected" ]; then
          not_ok "$label: $dll imports what Windows XP lacks: $(echo $rejected)"
          bad=1
        else
          ok "$label: $dll, $(wc -l <"$names") functions, all in Windows XP"
        fi
        ;;
      msvcrt.dll)
        rejected=$(grep -vxFf <(grep -v '^#' "$MSVCRT_LIST") "$names")
        if [ -n "$rejected" ]; then
          not_ok "$label: $dll imports what is not on $MSVCRT_LIST (check it against XP's msvcrt.dll): $(echo $rejected)"
          bad=1
        else
          ok "$label: $dll, $(wc -l <"$names") functions, all in XP's msvcrt.dll"
        fi
        ;;
      *)
        not_ok "$label: $dll is not a DLL this check knows"
        bad=1
        ;;
    esac
  done
  return $bad
}

# The check itself must still see newer imports: GetTickCount64 (Vista) and
# a C runtime function of a later msvcrt, next to ones XP has.
printf '%s\n' 'KERNEL32.dll GetTickCount64' 'KERNEL32.dll GetTickCount' \
  'msvcrt.dll _vscwprintf_p' 'msvcrt.dll malloc' >"$work/newer.txt"
if (check_list "$work/newer.txt" probe >"$work/probe.out") ||
   ! grep -qx "FAILED: probe: KERNEL32.dll imports what Windows XP lacks: GetTickCount64" "$work/probe.out" ||
   ! grep -q "^FAILED: probe: msvcrt.dll .*: _vscwprintf_p$" "$work/probe.out"; then
  not_ok "the check no longer tells newer imports from older ones"
  cat "$work/probe.out"
else
  ok "the check rejects GetTickCount64 and an unlisted msvcrt function, and only those"
fi

if [ "${1:-}" = --list ]; then
  cp "$2" "$work/imports.txt"
  label=$2
else
  exe=${1:-build/win/Kestro.exe}
  label=$exe
  if [ ! -f "$exe" ]; then
    not_ok "$exe not built"
  else
    imports_of "$exe" >"$work/imports.txt"
  fi
fi
if [ -s "$work/imports.txt" ]; then
  check_list "$work/imports.txt" "$label"
elif [ -f "$work/imports.txt" ]; then
  not_ok "$label: no imports found"
fi

echo "imports: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
