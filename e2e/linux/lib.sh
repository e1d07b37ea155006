# Shared helpers of the tests of the native program.
set -u
LINUX_E2E=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
ROOT=$(cd "$LINUX_E2E/../.." && pwd)
KESTRO_VERSION=$("$ROOT/scripts/version.sh")
KESTRO=${KESTRO:-$ROOT/build/linux/kestro}
PROBE_TOOL=${PROBE_TOOL:-$ROOT/build/linux/probe_tool}
WORK=$(mktemp -d /tmp/kestro-linux-XXXXXX)
PASSED=0
FAILED=0
source "$LINUX_E2E/../netns.sh"
pass() { PASSED=$((PASSED + 1)); echo "ok: $1"; }
fail() { FAILED=$((FAILED + 1)); echo "FAILED: $1"; }
check() { if [ "$2" = "$3" ]; then pass "$1"; else fail "$1"; diff <(printf '%s\n' "$2") <(printf '%s\n' "$3") | head; fi; }

# A settings file naming a log directory in the work folder.
export KESTRO_REGISTRY=$WORK/kestro.reg
printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Morvane\\Kestro]\r\n"LogDir"="%s"\r\n"PingDelay"=dword:00000000\r\n' "$WORK/logs" >"$KESTRO_REGISTRY"
mkdir -p "$WORK/logs"
