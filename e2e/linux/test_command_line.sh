# The command line and direct mode of the native program.

"$KESTRO" -bogus 2>"$WORK/err"
check "-bogus: exit code 99" 99 $?
check "-bogus: header" 'Parse-Error: Invalid argument "-bogus"' "$(sed -n 2p "$WORK/err")"
check "version line" "version $KESTRO_VERSION" "$(tail -n 1 "$WORK/err")"
"$KESTRO" 2>/dev/null
check "no option: exit code 1" 1 $?

# Every mode loads the settings first: start the log afresh for direct mode.
rm -f "$WORK/logs/Kestro-2.txt"
"$KESTRO" -direct &
pid=$!
retrieved() { grep -c 'Could not retrieve Staging server from /OXL/CONF/OXL.CNF' "$WORK/logs/Kestro-2.txt" 2>/dev/null; }
for _ in $(seq 1 50); do [ "$(retrieved)" = 1 ] && break; sleep 0.1; done
# Alike attempts' lines are written once; one value more makes the next differ.
cp "$KESTRO_REGISTRY" "$WORK/kept.reg" && printf '"PingPacketSize"=dword:00000020\r\n' >>"$KESTRO_REGISTRY"
sleep 1.5  # a tick or two of the idle loop
kill "$pid"
wait "$pid" 2>/dev/null
mv "$WORK/kept.reg" "$KESTRO_REGISTRY"
log=$WORK/logs/Kestro-2.txt
# Construction reads the settings (17 values missing), then the start lines;
# the passes after them find no agent file and repeat at every tick.
check "-direct: 17 'Could not read' lines first" 17 "$(head -n 17 "$log" | grep -c 'Could not read SOFTWARE\\Morvane\\Kestro\\')"
check "-direct: start lines with CR LF" "$(printf ': \r\n: Interaktiver aufruf...\r')" \
  "$(sed -n '18,19p' "$log" | cut -c24-)"
check "-direct: a pass attempt at every tick, the lines of alike ones once" 2 "$(retrieved)"
check "-direct: lock file" yes "$([ -f "$WORK/logs/Kestro.lck" ] && echo yes)"
