# The agent's file found through OXLROOT with Windows paths, read while the
# agent holds it open for writing.

AGENT_EXE=${AGENT_EXE:-$KESTRO_WIN_BUILD/agent_tool.exe}
new_prefix agent_config
root=$E2E_WORK/agent-root
mkdir -p "$root/OXL/CONF" "$E2E_WORK/agent-logs"
printf '[GENERAL]\r\nOXLUILSR = wrong\r\n[PEERHOSTS] ; staging\r\n  OXLUILSR = staging7.example ; main\r\n' >"$root/OXL/CONF/OXL.CNF"
setting LogDir REG_SZ "$(dos_path "$E2E_WORK/agent-logs")"

out=$(OXLROOT=$(dos_path "$root") wine "$AGENT_EXE" --hold-for-writing | tr -d '\r')
check "OXLROOT path joined with backslashes" "path $(dos_path "$root")\\OXL\\CONF\\OXL.CNF" "$(sed -n 1p <<<"$out")"
check "file held open for writing by another opener" "held yes" "$(sed -n 2p <<<"$out")"
check "staging server read through the shared open" "server staging7.example" "$(sed -n 3p <<<"$out")"

out=$(OXLROOT="$(dos_path "$root")\\" wine "$AGENT_EXE" | tr -d '\r')
check "OXLROOT ending in a backslash still finds the file" "server staging7.example" "$(sed -n 3p <<<"$out")"

out=$(OXLROOT="$(dos_path "$E2E_WORK")\\missing" wine "$AGENT_EXE" | tr -d '\r')
check "missing file: empty result" "server " "$(sed -n 3p <<<"$out")"
check "missing file: both log lines" \
  "$(printf 'Can'"'"'t open file "%s\\missing\\OXL\\CONF\\OXL.CNF".\nCould not retrieve Staging server from %s\\missing\\OXL\\CONF\\OXL.CNF' "$(dos_path "$E2E_WORK")" "$(dos_path "$E2E_WORK")")" \
  "$(tail -n 2 "$E2E_WORK/agent-logs/Kestro-2.txt" | cut -c26- | tr -d '\r')"
end_prefix
