# Which Windows build runs under Wine, and with which Wine. Sourced by
# scripts/run.sh, scripts/test.sh, e2e/wine/lib.sh and the benchmarks; the
# only place that names an architecture, a build folder, a prefix kind or a
# loader. Works in callers with and without set -e and set -u.
#
# kestro_probe_win32: decides once per run whether this machine executes
#   32-bit x86 code, by really running the 32-bit Wine loader. Exports
#   KESTRO_WIN32=yes|no, KESTRO_WIN32_REASON (one line) and the default
#   KESTRO_WINE_ARCH (win32 where it runs, else win64) with
#   KESTRO_WINE_ARCH_WHY (one line: why that one). Children that
#   source this file find the exports and do not probe again, unless the
#   pretend mode differs from the one the exports were made in.
#   KESTRO_NO_WIN32=1 pretends 32-bit code cannot run, faithfully: the
#   32-bit loader becomes a file the kernel refuses to execute (rc 126,
#   "Exec format error"), and kestro_hide_win32 takes the 32-bit build out
#   of reach while the 64-bit build is exercised.
# kestro_use_arch win32|win64: WINEARCH, KESTRO_WIN_BUILD, KESTRO_EXE,
#   WINELOADER, WINESERVER and the commands wine, wineboot and wineserver
#   (first on PATH) for that architecture.
# kestro_build_dir win32|win64: the build folder of that architecture.
# kestro_hide_win32 / kestro_unhide_win32: in the pretend mode, move the
#   32-bit build aside and back (also put back by the next run if the one
#   that moved it was killed).

KESTRO_REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
KESTRO_WINE64_LOADER=${KESTRO_WINE64_LOADER:-/usr/lib/wine/wine64}
if [ "${KESTRO_NO_WIN32:-}" = 1 ]; then
  KESTRO_WINE32_LOADER=$KESTRO_REPO/build/no-win32/wine
else
  KESTRO_WINE32_LOADER=${KESTRO_WINE32_LOADER:-/usr/lib/wine/wine}
  case "$KESTRO_WINE32_LOADER" in "$KESTRO_REPO"/build/no-win32/*) KESTRO_WINE32_LOADER=/usr/lib/wine/wine ;; esac
fi
export KESTRO_WINE32_LOADER
KESTRO_WIN32_HIDDEN=$KESTRO_REPO/build/.win-hidden

kestro_build_dir() {
  case "$1" in
    win32) printf '%s\n' "$KESTRO_REPO/build/win" ;;
    win64) printf '%s\n' "$KESTRO_REPO/build/win64" ;;
    *) echo "unknown Wine architecture: $1" >&2; return 1 ;;
  esac
}

# The pretend mode's 32-bit loader: the head of an i386 program whose
# program headers the kernel cannot take, so every exec of it fails with
# ENOEXEC as on a kernel without 32-bit support.
kestro_make_refused_loader() {
  [ -x "$KESTRO_WINE32_LOADER" ] && return 0
  mkdir -p "$(dirname "$KESTRO_WINE32_LOADER")"
  { printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000'
    printf '\002\000\003\000\001\000\000\000'
    head -c 36 /dev/zero
  } >"$KESTRO_WINE32_LOADER.tmp"
  chmod 755 "$KESTRO_WINE32_LOADER.tmp"
  mv -f "$KESTRO_WINE32_LOADER.tmp" "$KESTRO_WINE32_LOADER"
}

kestro_probe_win32() {
  local mode=${KESTRO_NO_WIN32:-0} out rc
  if [ -z "${KESTRO_WIN32:-}" ] || [ "${KESTRO_WIN32_PROBED_MODE:-}" != "$mode" ]; then
    [ "$mode" = 1 ] && kestro_make_refused_loader
    if [ ! -e "$KESTRO_WINE32_LOADER" ]; then
      KESTRO_WIN32=no
      KESTRO_WIN32_REASON="the 32-bit Wine loader $KESTRO_WINE32_LOADER is not installed"
    else
      rc=0
      out=$("$KESTRO_WINE32_LOADER" --version 2>&1 </dev/null) || rc=$?
      if [ "$rc" -eq 0 ]; then
        KESTRO_WIN32=yes
        KESTRO_WIN32_REASON="this machine runs 32-bit code ($KESTRO_WINE32_LOADER --version: $out)"
      else
        KESTRO_WIN32=no
        KESTRO_WIN32_REASON="this machine cannot run 32-bit code ($KESTRO_WINE32_LOADER --version: rc $rc, $(printf '%s' "$out" | head -n 1))"
      fi
    fi
    [ "$mode" = 1 ] && KESTRO_WIN32_REASON="KESTRO_NO_WIN32=1 pretends so: $KESTRO_WIN32_REASON"
    KESTRO_WIN32_PROBED_MODE=$mode
    # An architecture chosen for the other mode does not hold in this one.
    if [ -n "${KESTRO_WINE_ARCH:-}" ] && [ "$KESTRO_WINE_ARCH" = "${KESTRO_WINE_ARCH_AUTO:-}" ]; then
      KESTRO_WINE_ARCH=
    fi
    KESTRO_WINE_ARCH_AUTO=
  fi
  if [ -n "${KESTRO_WINE_ARCH:-}" ] && [ "$KESTRO_WINE_ARCH" != "${KESTRO_WINE_ARCH_AUTO:-}" ]; then
    KESTRO_WINE_ARCH_WHY="KESTRO_WINE_ARCH=$KESTRO_WINE_ARCH was given"
  else
    if [ "$KESTRO_WIN32" = yes ]; then KESTRO_WINE_ARCH=win32; else KESTRO_WINE_ARCH=win64; fi
    KESTRO_WINE_ARCH_AUTO=$KESTRO_WINE_ARCH
    KESTRO_WINE_ARCH_WHY=$KESTRO_WIN32_REASON
  fi
  export KESTRO_WIN32 KESTRO_WIN32_REASON KESTRO_WIN32_PROBED_MODE KESTRO_WINE_ARCH \
    KESTRO_WINE_ARCH_AUTO KESTRO_WINE_ARCH_WHY
}

kestro_use_arch() {
  case "$1" in
    win32) export WINEARCH=win32 WINELOADER=$KESTRO_WINE32_LOADER ;;
    win64) export WINEARCH=win64 WINELOADER=$KESTRO_WINE64_LOADER ;;
    *)
      echo "unknown Wine architecture: $1" >&2
      return 1
      ;;
  esac
  KESTRO_WIN_BUILD=$(kestro_build_dir "$1")
  export KESTRO_WIN_BUILD KESTRO_WINE_ARCH=$1
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

# Puts the 32-bit build back where kestro_hide_win32 moved it from.
kestro_unhide_win32() {
  local win
  win=$(kestro_build_dir win32)
  if [ -d "$KESTRO_WIN32_HIDDEN" ]; then
    if [ -e "$win" ]; then
      rm -rf "$KESTRO_WIN32_HIDDEN"
    else
      mv "$KESTRO_WIN32_HIDDEN" "$win"
    fi
  fi
  rm -f "$KESTRO_WIN32_HIDDEN.pid"
  return 0
}

# Only in the pretend mode: the 32-bit build goes aside until the caller
# calls kestro_unhide_win32 (from its EXIT trap, which INT and TERM reach
# through the exit they cause). Should the caller be killed outright, the
# next script that sources this file puts it back.
kestro_hide_win32() {
  [ "${KESTRO_NO_WIN32:-}" = 1 ] || return 0
  local win
  win=$(kestro_build_dir win32)
  kestro_unhide_win32
  if [ -d "$win" ]; then
    mv "$win" "$KESTRO_WIN32_HIDDEN"
    echo "$$" >"$KESTRO_WIN32_HIDDEN.pid"
  fi
  return 0
}

# A 32-bit build left aside by a run that no longer exists goes back.
if [ -d "$KESTRO_WIN32_HIDDEN" ]; then
  kestro_hider=$(cat "$KESTRO_WIN32_HIDDEN.pid" 2>/dev/null || true)
  if [ -z "$kestro_hider" ] || ! kill -0 "$kestro_hider" 2>/dev/null; then kestro_unhide_win32; fi
  unset kestro_hider
fi
