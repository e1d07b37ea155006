# -removeservice: while the service runs a pass (dots), while it is stopped,
# and when it is not installed.

write_agent 127.0.0.1
write_settings '"PingDelay"=dword:00000003' '"NumberOfPingSweeps"=dword:00000001'
in_box sh -c ": >$LOG"
in_box systemctl start kestro
# In the pass: its settings lines are in the log, its PingDelay has begun.
wait_in_box "test -s $LOG"
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

# A unit that installation did not write (here where the package puts its
# own) is left as it is: enabled, running, its file in place.
printf '[Unit]\nDescription=Kestro and IP Helper\n[Service]\nType=notify\nExecStart="%s" -service\n[Install]\nWantedBy=multi-user.target\n' \
  "$PROGRAM" | in_box sh -c 'cat >/usr/lib/systemd/system/kestro.service'
in_box systemctl daemon-reload
in_box systemctl enable --now kestro 2>/dev/null
out=$(in_box "$PROGRAM" -removeservice)
check "remove a packaged unit: exit code 8" 8 $?
check "remove a packaged unit: message" "Kestro and IP Helper was not installed by -installservice (/lib/systemd/system/kestro.service): nothing was removed." "$out"
check "remove a packaged unit: nothing changed" "file|enabled|active" \
  "$(in_box sh -c '[ -e /usr/lib/systemd/system/kestro.service ] && echo file')|$(in_box systemctl is-enabled kestro)|$(in_box systemctl is-active kestro)"
in_box systemctl disable --now kestro 2>/dev/null
in_box rm /usr/lib/systemd/system/kestro.service
in_box systemctl daemon-reload
