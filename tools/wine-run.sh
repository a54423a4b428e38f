#!/usr/bin/env bash
# Runs a Windows program under Wine: makes sure the Wine prefix (with Japanese font
# replacements) and an X display exist, then runs `wine "$@"` and passes on its exit code.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
exe_dir=$(cd "$(dirname "$1")" 2>/dev/null && pwd || pwd)
export WINEPREFIX=${WINEPREFIX:-$exe_dir/wine}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

"$here/wine-prefix.sh" "$WINEPREFIX" || exit 1

xvfb_pid=""
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
      xvfb_pid=$!
      export DISPLAY=":$n"
      for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
      break
    fi
  done
fi

wine "$@"
rc=$?
if [ -n "$xvfb_pid" ]; then
  wineserver -k >/dev/null 2>&1
  kill "$xvfb_pid" 2>/dev/null
fi
exit $rc
