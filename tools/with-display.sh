#!/usr/bin/env bash
# Runs a command with an X display: the current one, or a virtual one started for it.
set -u
if [ -n "${DISPLAY:-}" ]; then exec "$@"; fi
for n in $(seq 90 140); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    DISPLAY=":$n" "$@"
    rc=$?
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    exit $rc
  fi
done
echo "no free display number" >&2
exit 1
