# Registry views of a 64-bit Windows, in a 64-bit prefix: each build reads
# its own view first and the other one when the key is missing there, for
# the settings and for LogDir. The 32-bit cases need a machine that runs
# 32-bit code.

# Runs with the 64-bit suite only, whose prefix is a 64-bit one.
if [ "$KESTRO_WINE_ARCH" = win64 ]; then
KESTRO_EXE32=$(kestro_build_dir win32)/Kestro.exe

# view_setting 32|64 NAME REG_TYPE DATA: a value in one registry view only.
view_setting() {
  wine reg add 'HKLM\SOFTWARE\Morvane\Kestro' /v "$2" /t "$3" /d "$4" /f "/reg:$1" \
    >/dev/null 2>&1 </dev/null
}

# wow64_case NAME EXE LOGDIR: the program wrote its start line into LOGDIR and
# read the settings from the same key: its first lines are one per value
# that is not set (17: PingDelay is).
wow64_case() {
  if run_direct "$3/Kestro-2.txt" "$2"; then
    check "$1" 17 "$(head -n 17 "$3/Kestro-2.txt" | grep -c 'Could not read SOFTWARE\\Morvane\\Kestro\\')"
  else
    fail "$1: no log in $3"
  fi
}

views=$E2E_WORK/views
mkdir -p "$views"/{only32,only64,both32,both64}

# Two values set: LogDir, and PingDelay 0 so that the pass does not wait.
new_prefix wow64_only32
view_setting 32 LogDir REG_SZ "$(dos_path "$views/only32")"
view_setting 32 PingDelay REG_DWORD 0
wow64_case "64-bit build: settings only in the 32-bit view are read" "$KESTRO_EXE" "$views/only32"
end_prefix

if [ "$KESTRO_WIN32" = yes ]; then
  new_prefix wow64_only64
  view_setting 64 LogDir REG_SZ "$(dos_path "$views/only64")"
  view_setting 64 PingDelay REG_DWORD 0
  wow64_case "32-bit build: settings only in the 64-bit view are read" "$KESTRO_EXE32" "$views/only64"
  end_prefix
else
  skip "32-bit build: settings only in the 64-bit view are read" "$KESTRO_WIN32_REASON"
fi

# The key in both views, with a different LogDir each: every build keeps to its own.
new_prefix wow64_both
for v in 32 64; do
  view_setting $v LogDir REG_SZ "$(dos_path "$views/both$v")"
  view_setting $v PingDelay REG_DWORD 0
done
wow64_case "64-bit build: its own view wins" "$KESTRO_EXE" "$views/both64"
if [ "$KESTRO_WIN32" = yes ]; then
  wow64_case "32-bit build: its own view wins" "$KESTRO_EXE32" "$views/both32"
else
  skip "32-bit build: its own view wins" "$KESTRO_WIN32_REASON"
fi
check "both views: the 64-bit build started once, in its own LogDir" 1 \
  "$(grep -c 'Interaktiver aufruf' "$views/both64/Kestro-2.txt")"
end_prefix
fi
