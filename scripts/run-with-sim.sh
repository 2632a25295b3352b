#!/bin/sh
# Runs the utility with COM1 mapped to a simulated Zentrovane (zentrosim with
# the line rate modelled); the simulator is stopped when the utility exits.
# Usage: scripts/run-with-sim.sh [build-dir]
set -eu
build=${1:-build}
dir=$(mktemp -d)
"$build/zentrosim" --line-rate --path-file "$dir/path" --download-save "$dir/device" \
  </dev/null >/dev/null &
sim=$!
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; rm -rf "$dir"' EXIT

tries=0
while [ ! -s "$dir/path" ]; do
  tries=$((tries + 1))
  if [ "$tries" -gt 100 ] || ! kill -0 "$sim" 2>/dev/null; then
    echo "zentrosim did not start" >&2
    exit 1
  fi
  sleep 0.1
done
port=$(cat "$dir/path")
echo "A simulated Zentrovane is on COM1 ($port): try \"connect 1\", \"baud 9600\", \"serialtest 2\","
echo "\"download\", \"firmware 1 $build/examples/zentrovane-fw.hex\"; what a download leaves in"
echo "the device is shown when you leave."

status=0
ZENTROVANE_COM1=$port "$build/zentrohost" || status=$?
if [ -s "$dir/device.txt" ]; then
  echo
  echo "The simulated Zentrovane now holds:"
  cat "$dir/device.txt"
fi
# Status 1 is the end of standard input, an ordinary way to leave.
[ "$status" -eq 1 ] && status=0
exit "$status"
