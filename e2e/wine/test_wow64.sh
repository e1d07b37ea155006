# Registry views of a 64-bit Windows, in a 64-bit prefix: both builds read
# each value from the 64-bit view where it is there and from the 32-bit
# view otherwise, for the settings and for LogDir. The 32-bit cases need a
# machine that runs 32-bit code.

# Runs with the 64-bit suite only, whose prefix is a 64-bit one.
if [ "$KESTRO_WINE_ARCH" = win64 ]; then
KESTRO_EXE32=$(kestro_build_dir win32)/Kestro.exe

# view_setting 32|64 NAME REG_TYPE DATA: a value in one registry view only.
view_setting() {
  wine reg add 'HKLM\SOFTWARE\Morvane\Kestro' /v "$2" /t "$3" /d "$4" /f "/reg:$1" \
    >/dev/null 2>&1 </dev/null
}

# wow64_case NAME EXE LOGDIR: the program wrote its start line into LOGDIR and
# read PingDelay: the lines before it are one per value that is not set (17).
wow64_case() {
  rm -f "$3/Kestro-2.txt"
  if run_direct "$3/Kestro-2.txt" "$2"; then
    check "$1" 17 "$(sed '/Interaktiver aufruf/q' "$3/Kestro-2.txt" |
      grep -c 'Could not read SOFTWARE\\Morvane\\Kestro\\')"
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

# The key in both views, with a different LogDir each: the 64-bit view's wins.
new_prefix wow64_both
for v in 32 64; do
  view_setting $v LogDir REG_SZ "$(dos_path "$views/both$v")"
  view_setting $v PingDelay REG_DWORD 0
done
wow64_case "64-bit build: the 64-bit view wins" "$KESTRO_EXE" "$views/both64"
if [ "$KESTRO_WIN32" = yes ]; then
  wow64_case "32-bit build: the 64-bit view wins" "$KESTRO_EXE32" "$views/both64"
else
  skip "32-bit build: the 64-bit view wins" "$KESTRO_WIN32_REASON"
fi
check "both views: no build wrote into the 32-bit view's LogDir" 0 \
  "$(cat "$views/both32/Kestro-2.txt" 2>/dev/null | grep -c 'Interaktiver aufruf')"
end_prefix

# Value by value: LogDir only in the 32-bit view, where the x86 package
# writes it, and PingDelay only in the 64-bit view, where the docs' reg
# commands write.
new_prefix wow64_mixed
view_setting 32 LogDir REG_SZ "$(dos_path "$views/mixed")"
view_setting 64 PingDelay REG_DWORD 0
mkdir -p "$views/mixed"
wow64_case "64-bit build: LogDir of the 32-bit view, PingDelay of the 64-bit one" "$KESTRO_EXE" "$views/mixed"
if [ "$KESTRO_WIN32" = yes ]; then
  wow64_case "32-bit build: LogDir of the 32-bit view, PingDelay of the 64-bit one" \
    "$KESTRO_EXE32" "$views/mixed"
else
  skip "32-bit build: LogDir of the 32-bit view, PingDelay of the 64-bit one" "$KESTRO_WIN32_REASON"
fi
end_prefix
fi
