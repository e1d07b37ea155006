# Registry views of a 64-bit Windows, in a 64-bit prefix: each build reads
# its own view first and the other one when the key is missing there, for
# the settings and for LogDir. Needs the 64-bit build (built here when it is
# missing); the 32-bit cases need a machine that runs 32-bit code.

KESTRO_EXE64=${KESTRO_EXE64:-$REPO_ROOT/build/win64/Kestro.exe}
WOW64_TEMPLATE=$E2E_WORK/template64

# The 64-bit loader and server, called directly: Debian's wine wrapper
# prefers the 32-bit loader whenever wine32 is installed.
wine64() {
  WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64 \
    /usr/lib/wine/wine64 "$@"
}
wineserver64() { /usr/lib/wine/wineserver64 "$@"; }

wow64_template() {
  [ -d "$WOW64_TEMPLATE/drive_c" ] && return 0
  WINEPREFIX=$WOW64_TEMPLATE wine64 wineboot -i >/dev/null 2>&1
  WINEPREFIX=$WOW64_TEMPLATE wine64 reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
    /v Debugger /t REG_SZ /d '' /f >/dev/null 2>&1
  WINEPREFIX=$WOW64_TEMPLATE wineserver64 -w
}

wow64_prefix() {
  export WINEPREFIX=$E2E_WORK/$1
  rm -rf "$WINEPREFIX"
  cp -a "$WOW64_TEMPLATE" "$WINEPREFIX"
}

# view_setting 32|64 NAME REG_TYPE DATA: a value in one registry view only.
view_setting() {
  wine64 reg add 'HKLM\SOFTWARE\Morvane\Kestro' /v "$2" /t "$3" /d "$4" /f "/reg:$1" \
    >/dev/null 2>&1 </dev/null
}

# wow64_direct EXE LOGFILE: starts EXE -direct, waits for its start line, ends it.
wow64_direct() {
  wine64 "$1" -direct >/dev/null 2>&1 &
  local pid=$!
  wait_for "$2" 'Interaktiver aufruf' 30
  local found=$?
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  return $found
}

# wow64_case NAME EXE LOGDIR: the program wrote its start line into LOGDIR and
# read the settings from the same key: its first lines are one per value
# that is not set (17: PingDelay is).
wow64_case() {
  if wow64_direct "$2" "$3/Kestro-2.txt"; then
    check "$1" 17 "$(head -n 17 "$3/Kestro-2.txt" | grep -c 'Could not read SOFTWARE\\Morvane\\Kestro\\')"
  else
    fail "$1: no log in $3"
  fi
}

if [ ! -f "$KESTRO_EXE64" ]; then
  cmake -S "$REPO_ROOT" -B "$REPO_ROOT/build/win64" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release >/dev/null && cmake --build "$REPO_ROOT/build/win64" -j2 --target Kestro >/dev/null
fi
runs32=no
/usr/lib/wine/wine --version >/dev/null 2>&1 && runs32=yes

wow64_template
views=$E2E_WORK/views
mkdir -p "$views"/{only32,only64,both32,both64}

# Two values set: LogDir, and PingDelay 0 so that the pass does not wait.
wow64_prefix wow64_only32
view_setting 32 LogDir REG_SZ "$(dos_path "$views/only32")"
view_setting 32 PingDelay REG_DWORD 0
wow64_case "64-bit build: settings only in the 32-bit view are read" "$KESTRO_EXE64" "$views/only32"
wineserver64 -k >/dev/null 2>&1

if [ "$runs32" = yes ]; then
  wow64_prefix wow64_only64
  view_setting 64 LogDir REG_SZ "$(dos_path "$views/only64")"
  view_setting 64 PingDelay REG_DWORD 0
  wow64_case "32-bit build: settings only in the 64-bit view are read" "$KESTRO_EXE" "$views/only64"
  wineserver64 -k >/dev/null 2>&1
fi

# The key in both views, with a different LogDir each: every build keeps to its own.
wow64_prefix wow64_both
for v in 32 64; do
  view_setting $v LogDir REG_SZ "$(dos_path "$views/both$v")"
  view_setting $v PingDelay REG_DWORD 0
done
wow64_case "64-bit build: its own view wins" "$KESTRO_EXE64" "$views/both64"
if [ "$runs32" = yes ]; then
  wow64_case "32-bit build: its own view wins" "$KESTRO_EXE" "$views/both32"
fi
check "both views: the 64-bit build started once, in its own LogDir" 1 \
  "$(grep -c 'Interaktiver aufruf' "$views/both64/Kestro-2.txt")"
wineserver64 -k >/dev/null 2>&1
