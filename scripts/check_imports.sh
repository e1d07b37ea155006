#!/usr/bin/env bash
# Kestro.exe must start on the oldest Windows it supports, Windows XP SP3 and
# Server 2003: the loader refuses a program that imports a single function
# the system lacks. Every function the program imports is held against a
# reviewed list per system DLL, scripts/xp-<dll>-imports.txt, of functions
# checked to be exported by that DLL on Windows XP SP3 (the compiler's headers
# are no judge: they declare some newer functions without a version guard).
# Delay-loaded imports escape the loader's check until the first call, so
# there must be none: no delay-import directory, and no DLL named in the
# program that it does not import, except those it loads itself on purpose
# (RUNTIME_DLLS). Before the program, the check tests itself on a list of
# newer imports and on two small programs it builds. Ends with
# "imports: N passed, N failed".
#   check_imports.sh [EXE]        default: build/win/Kestro.exe
#   check_imports.sh --list FILE  a list of "DLL function" lines instead
set -uo pipefail
export LC_ALL=C
cd "$(dirname "$0")/.."

CC=i686-w64-mingw32-gcc-posix
DLLTOOL=i686-w64-mingw32-dlltool
OBJDUMP=i686-w64-mingw32-objdump
STRINGS=i686-w64-mingw32-strings
# DLLs the program names without importing them, each loaded by its own code:
# advapi32.dll to look up ChangeServiceConfig2A, which older systems lack;
# libgcc_s_dw2-1.dll, only asked whether it is already loaded (the start-up
# code of the 32-bit GCC runtime); ntdll.dll, loaded in every process, to
# look up NtQueryVolumeInformationFile (the volume of an open log file).
RUNTIME_DLLS="advapi32.dll libgcc_s_dw2-1.dll ntdll.dll"

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

# The reviewed list of a DLL: scripts/xp-kernel32-imports.txt for KERNEL32.dll.
list_of() {
  local base=${1,,}
  echo "scripts/xp-${base%.dll}-imports.txt"
}

# Checks one import list; returns non-zero when anything is not on its DLL's list.
check_list() {
  local list=$1 label=$2 bad=0 dll names rejected reviewed
  for dll in $(cut -d' ' -f1 "$list" | sort -u); do
    names=$work/names.txt
    awk -v d="$dll" '$1 == d {print $2}' "$list" | sort -u >"$names"
    reviewed=$(list_of "$dll")
    if [ ! -f "$reviewed" ]; then
      not_ok "$label: $dll is not a DLL this check knows (no $reviewed)"
      bad=1
      continue
    fi
    rejected=$(grep -vxFf <(grep -v '^#' "$reviewed") "$names")
    if [ -n "$rejected" ]; then
      not_ok "$label: $dll imports what is not on $reviewed (check it against Windows XP's $dll): $(echo $rejected)"
      bad=1
    else
      ok "$label: $dll, $(wc -l <"$names") functions, all on $reviewed"
    fi
  done
  return $bad
}

# Checks that a program delay-loads nothing; returns non-zero when it may.
check_delay_loads() {
  local exe=$1 label=$2 directory named
  directory=$("$OBJDUMP" -p "$exe" | awk '/Delay Import Directory/ && ($3 != "00000000" || $4 != "00000000")')
  if [ -n "$directory" ]; then
    not_ok "$label: has a delay-import directory"
    return 1
  fi
  # GNU ld leaves the directory empty and puts the delay-load tables in the
  # code: the DLL's name is what shows.
  named=$("$STRINGS" -a -n 5 "$exe" | grep -iE '^[a-z0-9_.-]+\.dll$' | tr 'A-Z' 'a-z' | sort -u |
    grep -vxFf <({ imports_of "$exe" | cut -d' ' -f1; tr ' ' '\n' <<<"$RUNTIME_DLLS"; } | tr 'A-Z' 'a-z'))
  if [ -n "$named" ]; then
    not_ok "$label: names DLLs it does not import (delay-loaded?): $(echo $named)"
    return 1
  fi
  ok "$label: no delay-loaded DLL"
}

check_exe() {
  "$OBJDUMP" -p "$1" >/dev/null 2>&1 || { not_ok "$2: not a program objdump reads"; return 1; }
  imports_of "$1" >"$work/exe-imports.txt"
  local bad=0
  check_list "$work/exe-imports.txt" "$2" || bad=1
  check_delay_loads "$1" "$2" || bad=1
  return $bad
}

# The check itself must still see newer imports: functions of Vista, 7 and 8
# that the headers declare for XP too, and a C runtime function of a later
# msvcrt, next to ones XP has.
printf '%s\n' 'KERNEL32.dll GetTickCount64' 'KERNEL32.dll GetSystemTimePreciseAsFileTime' \
  'KERNEL32.dll SetThreadErrorMode' 'KERNEL32.dll GetThreadId' 'KERNEL32.dll GetCurrentProcessorNumber' \
  'KERNEL32.dll GetTickCount' 'ADVAPI32.dll RegGetValueA' 'ADVAPI32.dll RegDeleteKeyExA' \
  'ADVAPI32.dll RegOpenKeyExA' 'msvcrt.dll _vscwprintf_p' 'msvcrt.dll malloc' >"$work/newer.txt"
(check_list "$work/newer.txt" probe) >"$work/probe.out"
expected="FAILED: probe: ADVAPI32.dll imports what is not on scripts/xp-advapi32-imports.txt (check it against Windows XP's ADVAPI32.dll): RegDeleteKeyExA RegGetValueA
FAILED: probe: KERNEL32.dll imports what is not on scripts/xp-kernel32-imports.txt (check it against Windows XP's KERNEL32.dll): GetCurrentProcessorNumber GetSystemTimePreciseAsFileTime GetThreadId GetTickCount64 SetThreadErrorMode
FAILED: probe: msvcrt.dll imports what is not on scripts/xp-msvcrt-imports.txt (check it against Windows XP's msvcrt.dll): _vscwprintf_p"
if [ "$(cat "$work/probe.out")" != "$expected" ]; then
  not_ok "the check no longer tells newer imports from older ones"
  diff <(echo "$expected") "$work/probe.out"
else
  ok "the check rejects the six newer functions, GetTickCount64 and an unlisted msvcrt function, and only those"
fi

# And in programs: one importing a newer function, one delay-loading an
# older one (through dlltool's delay-import library).
cat >"$work/newer.c" <<'EOF'
#include <windows.h>
int main(void) { return (int)GetThreadId(GetCurrentThread()); }
EOF
cat >"$work/delayed.c" <<'EOF'
#include <windows.h>
DWORD WINAPI GetFileVersionInfoSizeA(LPCSTR name, LPDWORD handle);
int main(void) { DWORD h; return (int)GetFileVersionInfoSizeA("x", &h); }
EOF
printf 'LIBRARY version.dll\nEXPORTS\nGetFileVersionInfoSizeA@8\n' >"$work/delayed.def"
if ! "$CC" -D_WIN32_WINNT=0x0600 -o "$work/newer.exe" "$work/newer.c" 2>"$work/cc.err" ||
   ! "$DLLTOOL" -k -d "$work/delayed.def" -y "$work/libdelayed.a" 2>>"$work/cc.err" ||
   ! "$CC" -o "$work/delayed.exe" "$work/delayed.c" "$work/libdelayed.a" 2>>"$work/cc.err"; then
  not_ok "the test programs could not be built: $(head -n 3 "$work/cc.err" | tr '\n' ' ')"
else
  (check_exe "$work/newer.exe" newer.exe) >"$work/newer.out"
  (check_exe "$work/delayed.exe" delayed.exe) >"$work/delayed.out"
  if grep -q "^FAILED: newer.exe: KERNEL32.dll imports .*: GetThreadId$" "$work/newer.out" &&
     grep -qx "FAILED: delayed.exe: names DLLs it does not import (delay-loaded?): version.dll" "$work/delayed.out" &&
     [ "$(cat "$work/newer.out" "$work/delayed.out" | grep -c '^FAILED')" = 2 ]; then
    ok "the check rejects a program importing GetThreadId and one delay-loading version.dll"
  else
    not_ok "the check passes a program it must reject"
    cat "$work/newer.out" "$work/delayed.out"
  fi
fi

if [ "${1:-}" = --list ]; then
  cp "$2" "$work/imports.txt"
  if [ -s "$work/imports.txt" ]; then check_list "$work/imports.txt" "$2"; else not_ok "$2: no imports found"; fi
else
  exe=${1:-build/win/Kestro.exe}
  if [ ! -f "$exe" ]; then
    not_ok "$exe not built"
  elif [ -z "$(imports_of "$exe")" ]; then
    not_ok "$exe: no imports found"
  else
    check_exe "$exe" "$exe"
  fi
fi

echo "imports: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
