#!/usr/bin/env bash
# Boots a real systemd (PID 1) in its own PID and mount namespace over a throw-away
# overlay of the root file system: every write of the booted system lands in a tmpfs
# and disappears with it; the host's /tmp, /etc and /var are untouched.
# Usage: systemd_box.sh start DIR   -> prints the PID of the box's systemd (for nsenter)
#        systemd_box.sh stop PID
# Run inside:  nsenter -t PID -m -p -- systemctl ...
set -euo pipefail
case "${1:-}" in
start)
  dir=${2:?work dir}
  mkdir -p "$dir"
  unshare --fork --pid --mount --propagation private bash -c '
    set -e
    d='"$dir"'
    mount -t tmpfs tmpfs "$d"
    mkdir -p "$d"/upper "$d"/work "$d"/root
    mount -t overlay overlay -o lowerdir=/,upperdir="$d"/upper,workdir="$d"/work "$d"/root
    r="$d"/root
    mount --rbind /dev "$r"/dev
    mount -t proc proc "$r"/proc
    mount --rbind /sys "$r"/sys
    for t in tmp var/tmp run; do mount -t tmpfs tmpfs "$r/$t"; done
    chmod 1777 "$r"/tmp "$r"/var/tmp
    mkdir -p "$r"/run/lock "$r"/oldroot
    cd "$r"
    pivot_root . oldroot
    umount -l /oldroot
    exec env container=other /lib/systemd/systemd --system --unit=basic.target \
      --log-target=null --show-status=no </dev/null >/dev/null 2>&1
  ' </dev/null >/dev/null 2>&1 &
  outer=$!
  # The box's PID 1 is the child of unshare: wait until its systemd answers.
  for _ in $(seq 1 150); do
    p=$(pgrep -P "$outer" | head -n 1 || true)
    if [ -n "$p" ] && [ "$(readlink "/proc/$p/exe" 2>/dev/null)" = /usr/lib/systemd/systemd ] &&
       nsenter -t "$p" -m -p -- systemctl is-system-running --wait 2>/dev/null | grep -qE '^(running|degraded)$'; then
      echo "$p"; exit 0
    fi
    sleep 0.2
  done
  echo "systemd did not come up" >&2; exit 1 ;;
stop)
  kill -KILL "${2:?pid}" ;;
*) echo "usage: $0 start DIR | stop PID" >&2; exit 2 ;;
esac
