# Which Windows build runs under Wine, and with which Wine. Sourced by
# scripts/run.sh, scripts/test.sh, e2e/wine/lib.sh and bench/idle_bench.sh;
# the only place that names an architecture, a prefix kind or a loader.
#
# kestro_probe_win32: decides once per run whether this machine executes
#   32-bit x86 code, by really running the 32-bit Wine loader. Exports
#   KESTRO_WIN32=yes|no, KESTRO_WIN32_REASON (one line) and the default
#   KESTRO_WINE_ARCH (win32 where it runs, else win64) with
#   KESTRO_WINE_ARCH_WHY (one line: why that one). Children that
#   source this file find the exports and do not probe again.
#   KESTRO_NO_WIN32=1 pretends 32-bit code cannot run.
# kestro_use_arch win32|win64: WINEARCH, KESTRO_WIN_BUILD, KESTRO_EXE,
#   WINELOADER, WINESERVER and the commands wine, wineboot and wineserver
#   (first on PATH) for that architecture.

KESTRO_REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
KESTRO_WINE32_LOADER=${KESTRO_WINE32_LOADER:-/usr/lib/wine/wine}
KESTRO_WINE64_LOADER=${KESTRO_WINE64_LOADER:-/usr/lib/wine/wine64}

kestro_probe_win32() {
  if [ -n "${KESTRO_WIN32:-}" ] && [ -n "${KESTRO_WINE_ARCH:-}" ]; then return 0; fi
  local out rc
  if [ "${KESTRO_NO_WIN32:-}" = 1 ]; then
    KESTRO_WIN32=no
    KESTRO_WIN32_REASON="KESTRO_NO_WIN32=1 pretends this machine cannot run 32-bit code"
  elif [ ! -x "$KESTRO_WINE32_LOADER" ]; then
    KESTRO_WIN32=no
    KESTRO_WIN32_REASON="the 32-bit Wine loader $KESTRO_WINE32_LOADER is not installed"
  else
    out=$("$KESTRO_WINE32_LOADER" --version 2>&1 </dev/null)
    rc=$?
    if [ "$rc" -eq 0 ]; then
      KESTRO_WIN32=yes
      KESTRO_WIN32_REASON="this machine runs 32-bit code ($KESTRO_WINE32_LOADER --version: $out)"
    else
      KESTRO_WIN32=no
      KESTRO_WIN32_REASON="this machine cannot run 32-bit code ($KESTRO_WINE32_LOADER --version: rc $rc, $(printf '%s' "$out" | head -n 1))"
    fi
  fi
  if [ -z "${KESTRO_WINE_ARCH:-}" ]; then
    if [ "$KESTRO_WIN32" = yes ]; then KESTRO_WINE_ARCH=win32; else KESTRO_WINE_ARCH=win64; fi
    KESTRO_WINE_ARCH_WHY=$KESTRO_WIN32_REASON
  else
    KESTRO_WINE_ARCH_WHY="KESTRO_WINE_ARCH=$KESTRO_WINE_ARCH was given"
  fi
  export KESTRO_WIN32 KESTRO_WIN32_REASON KESTRO_WINE_ARCH KESTRO_WINE_ARCH_WHY
}

kestro_use_arch() {
  case "$1" in
    win32)
      export WINEARCH=win32 WINELOADER=$KESTRO_WINE32_LOADER
      export KESTRO_WIN_BUILD=$KESTRO_REPO/build/win
      ;;
    win64)
      export WINEARCH=win64 WINELOADER=$KESTRO_WINE64_LOADER
      export KESTRO_WIN_BUILD=$KESTRO_REPO/build/win64
      ;;
    *)
      echo "unknown Wine architecture: $1" >&2
      return 1
      ;;
  esac
  export KESTRO_WINE_ARCH=$1
  export KESTRO_EXE=$KESTRO_WIN_BUILD/Kestro.exe
  # Both loaders share one server program; -p0 as Debian's wrapper gives it,
  # so the server ends with the last process unless started with -p.
  if [ -z "${KESTRO_WINESERVER:-}" ]; then
    KESTRO_WINESERVER=/usr/lib/wine/wineserver64
    [ -x "$KESTRO_WINESERVER" ] || KESTRO_WINESERVER=/usr/lib/wine/wineserver32
  fi
  export KESTRO_WINESERVER
  export WINESERVER=$KESTRO_REPO/scripts/wine-bin/wineserver
  case ":$PATH:" in
    *":$KESTRO_REPO/scripts/wine-bin:"*) ;;
    *) export PATH=$KESTRO_REPO/scripts/wine-bin:$PATH ;;
  esac
}
