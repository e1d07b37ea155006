# "-check": a broken configuration, then the same mended; nothing written.
c=$WORK/check
mkdir -p "$c/agent/OXL/CONF"
mkfifo "$c/agent/OXL/CONF/OXL.CNF"  # must be refused, not waited on
printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Morvane\\Kestro]\n"LogDir"="%s"\n"PingDelay"="5"\n"Command1"="%s"\n' \
  "$c/logs" "$c/no-such-program" >"$c/kestro.reg"
KESTRO_REGISTRY=$c/kestro.reg OXLROOT=$c/agent timeout 20 "$KESTRO" -check >"$c/out" 2>&1
check "-check broken: exit code 16|32|64|128" 240 $?
check "-check broken: findings" "$(cat <<EOT
Could not read SOFTWARE\\Morvane\\Kestro\\PingDelay: not a REG_DWORD, 5 is used
The agent file "$c/agent/OXL/CONF/OXL.CNF" is not a regular file and was not read
Log folder: "$c/logs" does not exist
Slot commands are judged for the service's account, root
Slot 1: command "$c/no-such-program" does not exist
Check failed (exit code 240): settings, staging server, folders, slots
EOT
)" "$(grep -v -e ' is not set: its default ' -e '^Slot [23]: no service' "$c/out")"
check "-check broken: 16 values not set, no finding" 16 "$(grep -c ' is not set: its default ' "$c/out")"

rm "$c/agent/OXL/CONF/OXL.CNF"
printf '[PEERHOSTS]\nOXLUILSR=localhost\n' >"$c/agent/OXL/CONF/OXL.CNF"
mkdir "$c/logs"
{
  printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Morvane\\Kestro]\n"LogDir"="%s"\n"Command1"="/bin/true"\n' "$c/logs"
  for n in PingPacketSize PingDelay NumberOfPingSweeps PingResponse{1,2,3} PingTimeOut{1,2,3}; do
    printf '"%s"=dword:00000001\n' "$n"
  done
  for n in Service{1,2,3} Command{2,3} Argument{1,2,3}; do printf '"%s"=""\n' "$n"; done
} >"$c/kestro.reg"
KESTRO_REGISTRY=$c/kestro.reg OXLROOT=$c/agent timeout 20 "$KESTRO" -check >"$c/out" 2>&1
check "-check mended: exit code 0" 0 $?
check "-check mended: findings" "$(cat <<EOT
Settings: every value of SOFTWARE\\Morvane\\Kestro read
Staging server: localhost (from "$c/agent/OXL/CONF/OXL.CNF")
Staging server address: 127.0.0.1 (IPv4)
Log folder: "$c/logs" is usable
Slot commands are judged for the service's account, root
Slot 1: command "/bin/true" may be run
Slot 2: no service, no command
Slot 3: no service, no command
Check passed: a pass has everything it needs.
EOT
)" "$(cat "$c/out")"
check "-check: nothing in the log folder" "" "$(ls -A "$c/logs")"
# The policy file wins over the settings file, value by value.
printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Policies\\Morvane\\Kestro]\n"RecheckDelay"=dword:0000005a\n' >"$c/policy.reg"
printf '"RecheckDelay"=dword:0000003c\n"StopAfter1"=dword:00000002\n' >>"$c/kestro.reg"
KESTRO_POLICY=$c/policy.reg KESTRO_REGISTRY=$c/kestro.reg OXLROOT=$c/agent timeout 20 "$KESTRO" -check >"$c/out" 2>&1
check "-check: the policy file wins" \
  "Settings from the policy key SOFTWARE\\Policies\\Morvane\\Kestro: RecheckDelay|Passes: PassSplay 0, RecheckDelay 90, StopAfter 2 1 1, StartAfter 1 1 1" \
  "$(grep -e '^Passes: ' -e '^Settings from the policy' "$c/out" | paste -sd '|')"
