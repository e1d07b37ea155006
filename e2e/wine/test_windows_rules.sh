# Rules real Windows holds the program to, seen through the platform layer:
# WSAStartup's error, the lock file's handle kept from children, system texts
# with inserts, and the reserved start-up fields cleared for a command.

PLATFORM_TOOL=$KESTRO_WIN_BUILD/platform_tool.exe
CONTROL_TOOL_EXE=$KESTRO_WIN_BUILD/control_tool.exe

new_prefix windows_rules
# Version 0.0 is refused; the error is WSAStartup's return value.
check "WSAStartup's error is the last error after it" "result 10092 lasterror 10092" \
  "$(wine "$PLATFORM_TOOL" startup 0 2>/dev/null | tr -d '\r')"
check "the lock file's handle is not inherited by children" "inherit 0" \
  "$(wine "$PLATFORM_TOOL" lock "$(dos_path "$E2E_WORK/rules.lck")" 2>/dev/null | tr -d '\r')"
# The files the program creates get its own rights, not their folder's:
# SYSTEM and Administrators full control, Users read on the log, nobody
# else on the lock file, nothing inherited. Wine (8.0) keeps no security
# descriptor of a file: it turns the rights given at creation into the Unix
# mode (others get nothing; a file created without rights is 0644) and
# reads back a list made from that mode.
mkdir -p "$E2E_WORK/rights"
rights=$(wine "$KESTRO_WIN_BUILD/platform_tool.exe" rights "$(dos_path "$E2E_WORK/rights")" 2>/dev/null | tr -d '\r' | paste -sd '|')
if [ "$rights" = "D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;FR;;;BU)|D:P(A;;FA;;;SY)(A;;FA;;;BA)" ]; then
  pass "created files: their own rights (log|lock)"
else
  check "created files: their own rights, as far as Wine keeps them (others' Unix rights of log|lock)" "---|---" \
    "$(stat -c %A "$E2E_WORK/rights/rights.txt" "$E2E_WORK/rights/rights.lck" 2>&1 | cut -c8-10 | paste -sd '|')"
fi
# Error 193's text holds "%1"; other texts stay as they were.
text=$(wine "$PLATFORM_TOOL" errortext 193 2>/dev/null | tr -d '\r')
check "a system text with an insert is kept" yes \
  "$(grep -q '^text \[.*%1.* (0xc1)\]$' <<<"$text" && echo yes)"
check "a system text without inserts is unchanged" "text [Access denied. (0x5)]" \
  "$(wine "$PLATFORM_TOOL" errortext 5 2>/dev/null | tr -d '\r')"
# Started through the C runtime's spawn, the program itself has its parent's
# file table in lpReserved2; its command must not.
# That spawn joins its arguments unquoted, so the tools run from a folder
# without a blank, wherever the build lives.
record=$E2E_WORK/rules-record.txt
cp "$CONTROL_TOOL_EXE" "$E2E_WORK/"
KESTRO_RECORD_STARTUP=1 wine "$PLATFORM_TOOL" spawn "$E2E_WORK/control_tool.exe" command \
  "$(installed_copy "$KESTRO_WIN_BUILD/recorder.exe")" "\"recorder.exe $(dos_path "$record") 0 0\"" 1 \
  >/dev/null 2>&1
check "a command gets no reserved start-up data" "reserved2=0" "$(grep '^reserved2=' "$record" | tr -d '\r')"
end_prefix
