# -installservice against systemd, and -service started from a console.

out=$(in_box env DBUS_SYSTEM_BUS_ADDRESS=unix:path=/run/kestro-no-bus "$PROGRAM" -installservice)
check "install without a bus: exit code 4" 4 $?
check "install without a bus: message" "OpenSCManager failed - Connection refused (0x6f)" "$out"

out=$(in_box "$PROGRAM" -installservice)
check "install: exit code 0" 0 $?
check "install: message" "Kestro and IP Helper installed." "$out"
check "install: unit file" "[Unit]
Description=Kestro and IP Helper

[Service]
Type=notify
ExecStart=\"$PROGRAM\" -service
EnvironmentFile=-/etc/default/kestro
AmbientCapabilities=CAP_NET_RAW
KillMode=process
TimeoutStopSec=600

[Install]
WantedBy=multi-user.target" "$(in_box cat /etc/systemd/system/kestro.service)"
check "install: enabled, loaded, not started" "enabled|loaded|inactive" \
  "$(in_box systemctl is-enabled kestro)|$(in_box systemctl show -p LoadState --value kestro)|$(in_box systemctl is-active kestro)"

out=$(in_box "$PROGRAM" -installservice)
check "install again: exit code 2" 2 $?
check "install again: message" "CreateService failed - Unit kestro.service already exists. (0x11)" "$out"

out=$(in_box "$PROGRAM" -service)
check "-service from a console: exit code 8" 8 $?
check "-service from a console: message" "StartServiceCtrlDispatcher failed." "$out"
