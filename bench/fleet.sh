#!/usr/bin/env bash
# A site of K real `kestro -direct` processes in one network namespace,
# sweeping a staging server in a second namespace behind a veth whose echo
# answers nftables limits or drops, run through four scenarios with
# today's defaults and with the fleet profile:
#   1  a site-wide address change, the server answering at most K/2 echo
#      requests a second;
#   2  a site-wide address change and a 20 s blip (no answer) from the
#      moment the sweeps of today's pass begin;
#   3  a site-wide address change that also takes the server away for
#      10 minutes;
#   4  the server away for 10 minutes, with no address change.
# Each run starts a fresh fleet, waits until every slot acted "start", then
# adds an address to the site's interface (but in scenario 4). One table
# row per run.
#
#   bench/fleet.sh [--agents K] [--scenario 1|2|3|4|all] [--profile default|fleet|both]
#                  [--socket datagram|raw] [--probe echo|tcp|both] [--outage SECONDS]
#                  [--splay SECONDS] [--interval SECONDS] [--keep]
#
# --socket raw runs the processes as root with raw ICMP sockets (every
# process then reads every answer of the site); datagram (the default)
# takes CAP_NET_RAW away so that each opens an ICMP datagram socket, which
# the kernel hands only its own answers. --probe tcp sets ProbePort: the
# fleet connects to a listener on the server's port 8080 instead, while the
# server's echo requests are limited or dropped as before (an outage drops
# its SYNs too); the peak column then counts SYNs; both runs each row
# both ways. --splay and --interval change the profile's PassSplay (120)
# and PassInterval (300). Needs root; KESTRO names the program (default:
# the Linux build of this tree).
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
KESTRO=${KESTRO:-$ROOT/build/linux/kestro}
AGENTS=200 SCENARIOS="1 2 3 4" PROFILES="default fleet" SOCKET=datagram PROBES=echo OUTAGE=600
FLEET_SPLAY=120 FLEET_INTERVAL=300 KEEP=
usage() { sed -n '/^#   bench/,/^#$/s/^#   //p' "$0" >&2; exit 2; }
while [ $# -gt 0 ]; do
  case "$1" in
    --agents) AGENTS=${2:-}; shift ;;
    --scenario) SCENARIOS=${2:-}; [ "$SCENARIOS" = all ] && SCENARIOS="1 2 3 4"; shift ;;
    --profile) PROFILES=${2:-}; [ "$PROFILES" = both ] && PROFILES="default fleet"; shift ;;
    --socket) SOCKET=${2:-}; shift ;;
    --probe) PROBES=${2:-}; [ "$PROBES" = both ] && PROBES="echo tcp"; shift ;;
    --outage) OUTAGE=${2:-}; shift ;;
    --splay) FLEET_SPLAY=${2:-}; shift ;;
    --interval) FLEET_INTERVAL=${2:-}; shift ;;
    --keep) KEEP=1 ;;
    *) usage ;;
  esac
  shift
done
case "$AGENTS$OUTAGE$FLEET_SPLAY$FLEET_INTERVAL" in *[!0-9]* | '') usage ;; esac
[ "$AGENTS" -ge 2 ] && [ "$AGENTS" -le 5000 ] || usage
for s in $SCENARIOS; do case $s in 1 | 2 | 3 | 4) ;; *) usage ;; esac; done
for p in $PROFILES; do case $p in default | fleet) ;; *) usage ;; esac; done
case $SOCKET in datagram | raw) ;; *) usage ;; esac
for p in $PROBES; do case $p in echo | tcp) ;; *) usage ;; esac; done
[ "$(id -u)" = 0 ] || { echo "fleet: needs root (network namespaces)" >&2; exit 2; }
[ -x "$KESTRO" ] || { echo "fleet: no program at $KESTRO (build it first)" >&2; exit 2; }

DELAY=5                  # PingDelay, the default in both profiles
SWEEP=24                 # a sweep of 7 unanswered requests and the slot's command
STAGGER=$(( AGENTS / 20 > 5 ? AGENTS / 20 : 5 ))  # seconds over which the fleet starts
SERVER=198.51.100.1 SITE=198.51.100.2 CHANGE=198.51.100.3 PORT=8080
TICK=$(getconf CLK_TCK)
WORK=$(mktemp -d /tmp/kestro-fleet-XXXXXX)
site=kfleet-site-$$ srv=kfleet-srv-$$
PIDS=() SAMPLER= LISTENER=
source "$ROOT/bench/fleet_figures.sh"

note() { echo "fleet: $(date -u +%H:%M:%S) $*" >&2; }

# ours PID: the process still runs the program (also when it was rebuilt
# meanwhile: "... (deleted)"), not a new one that took its number.
PROGRAM=$(readlink -f "$KESTRO")
ours() { case "$(readlink "/proc/$1/exe" 2>/dev/null)" in "$PROGRAM"*) return 0 ;; esac; return 1; }
# Ends the fleet by PID (TERM, then KILL after 10 s), the sampler, the
# namespaces and the work folder; also on Ctrl-C.
stop_fleet() {
  local pid live end=$((SECONDS + 10))
  [ -n "$SAMPLER" ] && kill "$SAMPLER" 2>/dev/null && wait "$SAMPLER" 2>/dev/null
  [ -n "$LISTENER" ] && kill "$LISTENER" 2>/dev/null && wait "$LISTENER" 2>/dev/null
  SAMPLER= LISTENER=
  for pid in "${PIDS[@]}"; do ours "$pid" && kill -TERM "$pid" 2>/dev/null; done
  while [ $SECONDS -lt $end ]; do
    live=0
    for pid in "${PIDS[@]}"; do ours "$pid" && live=1 && break; done
    [ $live = 0 ] && break
    sleep 0.2
  done
  for pid in "${PIDS[@]}"; do ours "$pid" && kill -KILL "$pid" 2>/dev/null; done
  wait 2>/dev/null
  PIDS=()
  ip netns del "$site" 2>/dev/null
  ip netns del "$srv" 2>/dev/null
}
cleanup() {
  stop_fleet
  if [ -n "$KEEP" ]; then note "logs kept in $WORK"; else rm -rf "$WORK"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The site and the server, joined by a veth; no IPv6, so that no late
# link-local address counts as a change. The server's input chain counts
# every echo request and every SYN to PORT and passes them through "gate",
# which a scenario fills.
make_site() {
  ip netns add "$site" && ip netns add "$srv" || return 1
  ip link add "kfs$$" type veth peer name "kfv$$" || return 1
  ip link set "kfs$$" netns "$site" && ip link set "kfv$$" netns "$srv" || return 1
  local ns
  for ns in "$site" "$srv"; do
    ip netns exec "$ns" sysctl -q -w net.ipv6.conf.all.disable_ipv6=1 net.ipv6.conf.default.disable_ipv6=1
    ip -n "$ns" link set lo up
  done
  ip -n "$site" addr add "$SITE/24" dev "kfs$$" && ip -n "$srv" addr add "$SERVER/24" dev "kfv$$" &&
    ip -n "$site" link set "kfs$$" up && ip -n "$srv" link set "kfv$$" up || return 1
  [ $SOCKET = datagram ] && ip netns exec "$site" sysctl -q -w net.ipv4.ping_group_range="0 2147483647"
  ip netns exec "$srv" nft -f - <<NFT
table ip kfleet {
  counter echo_in { }
  counter echo_out { }
  counter syn_in { }
  chain gate { }
  chain input {
    type filter hook input priority 0; policy accept;
    icmp type echo-request counter name "echo_in" jump gate
    tcp dport $PORT tcp flags & (syn | ack) == syn counter name "syn_in" jump gate
  }
  chain output {
    type filter hook output priority 0; policy accept;
    icmp type echo-reply counter name "echo_out"
  }
}
NFT
  # The staging server's own service: accepts each connection and closes it.
  if [ $PROBE = tcp ]; then
    ip netns exec "$srv" python3 -c 'import socket, sys
s = socket.create_server((sys.argv[1], int(sys.argv[2])), backlog=4096)
while True: s.accept()[0].close()' "$SERVER" "$PORT" &
    LISTENER=$!
  fi
}
gate() {  # gate RULE: what the server does to echo requests and SYNs; none: answer all
  ip netns exec "$srv" nft flush chain ip kfleet gate
  [ $# -eq 0 ] || ip netns exec "$srv" nft add rule ip kfleet gate "$@"
}

# settings PROFILE DIR: the agent's settings file, CR LF as regedit writes.
settings() {
  {
    printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Morvane\\Kestro]\n"LogDir"="%s/log"\n' "$2"
    printf '"Command1"="%s/slot"\n"Argument1"="slot %s/slot.txt"\n' "$WORK" "$2"
    [ "$1" = fleet ] && printf '"PassInterval"=dword:%08x\n"PassSplay"=dword:%08x\n"StopAfter1"=dword:%08x\n"StartAfter1"=dword:%08x\n"RecheckDelay"=dword:%08x\n' \
      "$INTERVAL" "$SPLAY" 2 2 "$RECHECK"
    [ $PROBE = tcp ] && printf '"ProbePort"=dword:%08x\n' "$PORT"
  } | sed 's/$/\r/' >"$2/kestro.reg"
}

# start_fleet PROFILE: K processes, each with its own settings, log folder
# and agent file, started evenly over STAGGER seconds.
start_fleet() {
  local i a caps=()
  [ $SOCKET = datagram ] && caps=(setpriv --bounding-set=-net_raw --inh-caps=-net_raw)
  printf '#!/bin/sh\n# slot.txt start|stop: records the word with the time.\necho "$(date +%%s.%%N) $2" >>"$1"\n' >"$WORK/slot"
  chmod 755 "$WORK/slot"
  for i in $(seq 1 "$AGENTS"); do
    a=$WORK/$1/$i
    mkdir -p "$a/log" "$a/OXL/CONF"
    printf '[PEERHOSTS]\r\nOXLUILSR=%s\r\n' "$SERVER" >"$a/OXL/CONF/OXL.CNF"
    settings "$1" "$a"
    : >"$a/slot.txt"
  done
  for i in $(seq 1 "$AGENTS"); do
    a=$WORK/$1/$i
    KESTRO_REGISTRY=$a/kestro.reg OXLROOT=$a nsenter --net="/run/netns/$site" "${caps[@]}" \
      "$KESTRO" -direct >"$a/console.txt" 2>&1 </dev/null &
    PIDS+=($!)
    sleep "$(echo "scale=3; $STAGGER / $AGENTS" | bc)"
  done
}

# pause SECONDS: sleeps a second at a time, so that a stop request is heard.
pause() { local end=$((SECONDS + $1)); while [ $SECONDS -lt $end ]; do sleep 1; done; }
# run SCENARIO PROFILE: one row of the table.
run() {
  local s=$1 p=$2 t0 back='' ref='' cpu0 window
  SPLAY=0 RECHECK=0 INTERVAL=3600
  [ "$p" = fleet ] && SPLAY=$FLEET_SPLAY RECHECK=30 INTERVAL=$FLEET_INTERVAL
  make_site || { note "could not make the namespaces"; return 1; }
  note "scenario $s, $p profile: starting $AGENTS processes over $STAGGER s"
  start_fleet "$p"
  wait_acted "$p" 0 $((STAGGER + DELAY + SPLAY + 120))
  if [ "$(last_word "$p" 0 start)" -lt "$AGENTS" ]; then
    note "only $(last_word "$p" 0 start) of $AGENTS slots started; no run"
    stop_fleet
    return 1
  fi
  sleep 3
  sampler "$WORK/$p/samples.txt" &
  SAMPLER=$!
  sleep 2
  cpu0=$(cpu_seconds)
  t0=$EPOCHREALTIME
  case $s in
    1) gate meta l4proto icmp limit rate over $((AGENTS / 2))/second drop ;;
    3 | 4) gate drop ;;
  esac
  if [ "$s" = 4 ]; then
    note "all $AGENTS slots started; the server goes away"
  else
    note "all $AGENTS slots started; the address change"
    ip -n "$site" addr add "$CHANGE/32" dev "kfs$$"
  fi
  case $s in
    1 | 2)
      if [ "$s" = 2 ]; then
        sleep "$DELAY"; gate drop; pause 20; gate
        back=$EPOCHREALTIME ref=$back
      fi
      # Every slot acts on the pass of the change; a pending change is
      # confirmed or dismissed by one recheck.
      window=$((DELAY + SPLAY + SWEEP + 10))
      [ "$RECHECK" -gt 0 ] && window=$((window + DELAY + RECHECK * 3 / 2 + SWEEP))
      wait_acted "$p" "$t0" 300
      while [ "$(echo "$EPOCHREALTIME - $t0 < $window" | bc)" = 1 ]; do sleep 1; done
      ;;
    3 | 4)
      pause "$OUTAGE"
      gate
      back=$EPOCHREALTIME ref=$back
      note "the server is back; $(last_word "$p" "$t0" stop) slots stopped"
      # Today nothing starts before the hourly pass: two minutes show it.
      local end=$((SECONDS + (RECHECK > 0 ? 600 : 120)))
      while [ "$(last_word "$p" "$t0" stop)" -gt 0 ] && [ $SECONDS -lt $end ]; do sleep 1; done
      sleep 5
      ;;
  esac
  [ -n "$ref" ] || ref=$t0
  echo "change $t0 back ${back:-none}" >"$WORK/$p/times"
  local cpu1 answered
  cpu1=$(cpu_seconds)
  answered=$(ip netns exec "$srv" nft list counters table ip kfleet | sed -n 's/.*packets \([0-9]*\).*/\1/p' | paste -sd/)
  note "echo requests/answers/SYNs at the server since the fleet started: $answered"
  kill "$SAMPLER" 2>/dev/null; wait "$SAMPLER" 2>/dev/null; SAMPLER=
  stop_fleet
  row "$s" "$p" "$t0" "$back" "$ref" "$(echo "$cpu1 - $cpu0" | bc)"
}

note "$AGENTS agents, $PROBES probe, $SOCKET sockets, scenarios $SCENARIOS, profiles $PROFILES; load: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "| K | scenario | profile | peak echo requests (SYNs)/s at the server | slots stopped | flaps | all stopped after | all started again after the server's return | fleet CPU s | fleet peak memory MiB |"
echo "|---|---|---|---|---|---|---|---|---|---|"
failed=0
for s in $SCENARIOS; do
  for p in $PROFILES; do
    for PROBE in $PROBES; do
      COUNTER=echo_in
      [ $PROBE = tcp ] && COUNTER=syn_in
      run "$s" "$p" || failed=1
    done
  done
done
note "done; load: $(cut -d' ' -f1-3 /proc/loadavg)"
exit $failed
