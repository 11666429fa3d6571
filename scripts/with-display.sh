#!/usr/bin/env bash
# Runs a command with an X display: the current one if DISPLAY is set and reachable, otherwise a
# private Xvfb server started for the duration of the command. The server picks a free display
# number itself (-displayfd), so several runs can start at the same moment. -noreset keeps it from
# resetting whenever its last client leaves: a test program connecting at that moment would fail.
set -uo pipefail

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec "$@"
fi

fifo=$(mktemp -u /tmp/zarnok-display.XXXXXX)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1920x1200x24 -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null; wait $xvfb_pid 2>/dev/null; rm -f "$fifo"' EXIT
if ! read -r -t 30 number <"$fifo"; then
  echo "with-display: Xvfb did not start" >&2
  exit 1
fi
export DISPLAY=":${number}"
"$@"
