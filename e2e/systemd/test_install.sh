# -installservice against systemd, and -service started from a console.

out=$(in_box env DBUS_SYSTEM_BUS_ADDRESS=unix:path=/run/kestro-no-bus "$PROGRAM" -installservice)
check "install without a bus: exit code 4" 4 $?
check "install without a bus: message" "OpenSCManager failed - Connection refused (0x6f)" "$out"

out=$(in_box "$PROGRAM" -installservice)
check "install: exit code 0" 0 $?
check "install: message" "Kestro and IP Helper installed." "$out"
# The unit is the packaged one (its comments and manual page aside) running
# the program where it is, and confined as well.
check "install: unit file" \
  "$(grep -v -e '^#' -e '^Documentation=' "$ROOT/packaging/kestro.service" |
     sed "s|^ExecStart=/usr/sbin/kestro -service\$|ExecStart=\"$PROGRAM\" -service|")" \
  "$(in_box cat /etc/systemd/system/kestro.service)"
score=$(in_box systemd-analyze security --offline=true /etc/systemd/system/kestro.service 2>/dev/null |
          sed -n 's/.*Overall exposure level for kestro.service: \([0-9.]*\) .*/\1/p')
check "install: exposure ${score:-unrated}, 3.2 or lower" yes \
  "$(awk -v s="$score" 'BEGIN { if (s != "" && s <= 3.2) print "yes" }')"
check "install: enabled, loaded, not started" "enabled|loaded|inactive" \
  "$(in_box systemctl is-enabled kestro)|$(in_box systemctl show -p LoadState --value kestro)|$(in_box systemctl is-active kestro)"

out=$(in_box "$PROGRAM" -installservice)
check "install again: exit code 2" 2 $?
check "install again: message" "CreateService failed - Unit kestro.service already exists. (0x11)" "$out"

out=$(in_box "$PROGRAM" -service)
check "-service from a console: exit code 8" 8 $?
check "-service from a console: message" "StartServiceCtrlDispatcher failed." "$out"
