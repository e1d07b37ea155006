# -removeservice: while the service runs a pass (dots), while it is stopped,
# and when it is not installed.

write_agent 127.0.0.1
write_settings '"PingDelay"=dword:00000003' '"NumberOfPingSweeps"=dword:00000001'
in_box systemctl start kestro
sleep 1
out=$(in_box "$PROGRAM" -removeservice)
check "remove while running: exit code 0" 0 $?
check_match "remove while running: dots while the pass ends" '^Stopping Kestro and IP Helper\.\.+$' \
  "$(sed -n 1p <<<"$out")"
check "remove while running: stopped, removed" "Kestro and IP Helper stopped.
Kestro and IP Helper removed." "$(sed 1d <<<"$out")"
check "remove: the unit is gone" "no-file|not-found|inactive" \
  "$(in_box sh -c '[ -e /etc/systemd/system/kestro.service ] && echo file || echo no-file')|$(in_box systemctl show -p LoadState --value kestro)|$(in_box systemctl is-active kestro)"
check "remove: no longer wanted at boot" no \
  "$(in_box sh -c '[ -e /etc/systemd/system/multi-user.target.wants/kestro.service ] && echo yes || echo no')"

in_box "$PROGRAM" -installservice >/dev/null
out=$(in_box "$PROGRAM" -removeservice)
check "remove while stopped: exit code 0" 0 $?
check "remove while stopped: no Stopping line" "Kestro and IP Helper removed." "$out"

out=$(in_box "$PROGRAM" -removeservice)
check "remove when missing: exit code 2" 2 $?
check "remove when missing: message" "OpenService failed - Unit Kestro.service not found. (0x2)" "$out"
