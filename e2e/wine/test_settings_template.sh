# The settings template imported with reg import: the program reads every
# value without a "Could not read " line.

new_prefix settings_template
wine reg import "$(dos_path "$REPO_ROOT/docs/kestro-settings.reg")" >/dev/null 2>&1 </dev/null
key='HKLM\SOFTWARE\Morvane\Kestro'
value() { wine reg query "$key" /v "$1" </dev/null 2>/dev/null | tr -d '\r' | sed -n "s/^ *$1 *REG_[A-Z_]* *//p"; }
check "template: defaults in the registry" "0x400 0x5 0x7 0x14 0x1" \
  "$(value PingPacketSize) $(value PingDelay) $(value NumberOfPingSweeps) $(value PingResponse2) $(value PingTimeOut3)"
wine "$KESTRO_EXE" -help >/dev/null 2>&1 </dev/null
# LogDir is not set, so the default C: holds the log; nothing was logged at all.
check "template: no 'Could not read' line" 0 "$(cat "$WINEPREFIX/drive_c/Kestro-2.txt" 2>/dev/null | grep -c 'Could not read')"
check "template: nothing to log" no "$([ -s "$WINEPREFIX/drive_c/Kestro-2.txt" ] && echo yes || echo no)"
end_prefix
