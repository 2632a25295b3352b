#!/bin/sh
# Runs the Windows program's end-to-end tests under Wine.
#   test-windows.sh SUITE EXE [SUITE OPTIONS...]
# SUITE is the Linux test program that drives EXE through Wine against the
# simulated device. Wine gets a fresh prefix of its own, no display and no
# debug output; its server is kept running for the whole suite, so that
# Wine's mount manager sets up the ports only once and leaves the test's
# COM port links alone, and it is stopped at the end whatever happened.
set -eu

suite=$(realpath "$1")
exe=$(realpath "$2")
shift 2

work=$(mktemp -d "${TMPDIR:-/tmp}/zentro-wine.XXXXXX")
export WINEPREFIX="$work/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installers
unset DISPLAY WAYLAND_DISPLAY

finish() {
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap finish EXIT
trap 'exit 130' INT TERM

start=$(date +%s)
# The server opens the COM ports itself and may get a line's hang-up as a
# signal, on which it dumps its objects: that goes to a log of its own.
mkdir -p "$WINEPREFIX"
wineserver -p >"$work/wineserver.log" 2>&1
wineboot -i >"$work/wineboot.log" 2>&1 || {
  cat "$work/wineboot.log"
  echo "wineboot failed" >&2
  exit 1
}
echo "Wine $(wine --version) set up in $(($(date +%s) - start)) s"

ZENTROHOST_EXE="$exe" WINE_COMMAND="$(command -v wine)" "$suite" "$@"
