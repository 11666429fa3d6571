#!/usr/bin/env bash
# Runs a command with an X display: the current one if DISPLAY is set and reachable, otherwise a
# private Xvfb server started for the duration of the command.
set -uo pipefail

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec "$@"
fi

# Find a free display number and start Xvfb on it.
for n in $(seq 90 140); do
  [ -e "/tmp/.X${n}-lock" ] || [ -e "/tmp/.X11-unix/X${n}" ] || break
done
Xvfb ":${n}" -screen 0 1920x1200x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null; wait $xvfb_pid 2>/dev/null' EXIT
export DISPLAY=":${n}"
for _ in $(seq 1 100); do
  xdpyinfo >/dev/null 2>&1 && break
  sleep 0.1
done
"$@"
