# Direct mode of the real program: the two start lines in the log directory
# the registry names, and the "C:" default without one.

STAMP='[0-9]\{4\}/[0-9][0-9]/[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]:[0-9]\{3\}'

new_prefix direct_mode
logdir=$E2E_WORK/direct-logs
mkdir -p "$logdir"
setting LogDir REG_SZ "$(dos_path "$logdir")"
setting PingDelay REG_DWORD 0
if run_direct "$logdir/Kestro-2.txt"; then pass "-direct writes into LogDir"; else fail "-direct writes into LogDir"; fi
# The lines up to the start lines: one per missing value (17: PingDelay is
# set), then the stamp-only line and "Interaktiver aufruf...". The passes
# that follow have no agent file and repeat at every tick.
head=$(sed -n '1,19p' "$logdir/Kestro-2.txt")
check "-direct: one line per missing value" 17 "$(head -n 17 <<<"$head" | grep -c 'Could not read SOFTWARE\\Morvane\\Kestro\\')"
check "-direct: no line for the value that is set" 0 "$(grep -c 'PingDelay' <<<"$head")"
check "-direct: empty line then the start line, CR LF" \
  "$(printf '%s: \r\n%s: Interaktiver aufruf...\r' X X)" \
  "$(tail -n 2 <<<"$head" | sed "s|^$STAMP|X|")"
check "-direct: lock file beside the log" yes "$([ -f "$logdir/Kestro.lck" ] && echo yes)"
end_prefix

new_prefix direct_default
if run_direct "$WINEPREFIX/drive_c/Kestro-2.txt"; then pass "-direct without LogDir writes to C:"; else fail "-direct without LogDir writes to C:"; fi
check "-direct without a key: no 'Could not read' line" 0 "$(grep -c 'Could not read' "$WINEPREFIX/drive_c/Kestro-2.txt")"
end_prefix
