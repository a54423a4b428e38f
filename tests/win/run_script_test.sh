#!/usr/bin/env bash
# `make run FILES=...` on a machine without a display: tools/run-mirelo.sh must start the virtual
# display, open the file in Mirelo and take a screenshot that shows the picture.
# Usage: run_script_test.sh <Mirelo.exe>   (uses the Wine prefix of $WINEPREFIX or beside the exe)
set -u
exe=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
command -v convert >/dev/null || { echo "FAILED: convert is not installed (apt-get install imagemagick)"; exit 1; }
[ -f "$exe" ] || { echo "FAILED: no program at $exe"; exit 1; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail=0
check() { if ! eval "$2"; then echo "FAILED: $1"; fail=1; else echo "ok: $1"; fi; }

# No display, as on a server or in CI; and no server of the prefix left from an earlier program,
# so that the run starts the way `make run` does on a fresh machine.
unset DISPLAY
export WINEPREFIX=${WINEPREFIX:-$(cd "$(dirname "$exe")" && pwd)/wine} WINEDEBUG=-all
"$root/tools/wine-prefix.sh" "$WINEPREFIX" || { echo "FAILED: no Wine prefix"; exit 1; }
timeout 60 wineserver -w 2>/dev/null

convert -size 320x240 xc:red "$dir/red picture.png"
MIRELO_SCREENSHOT="$dir/shot.png" MIRELO_SHOT_DELAY=${MIRELO_SHOT_DELAY:-8} \
  timeout 300 "$root/tools/run-mirelo.sh" "$exe" "$dir/red picture.png" >"$dir/run.txt" 2>&1
check "the run script names the screenshot" "grep -q 'shot.png' '$dir/run.txt'"
check "the screenshot was taken" "[ -s '$dir/shot.png' ]"
[ -s "$dir/shot.png" ] || exit 1
mean=$(convert "$dir/shot.png" -format '%[fx:mean]' info:)
check "the screenshot is not all black (mean $mean)" "awk -v m='$mean' 'BEGIN { exit !(m > 0.05) }'"
# Pixels of the picture's red, out of the 76800 it has at 100 %.
red=$(convert "$dir/shot.png" -fuzz 10% -fill black +opaque red -fill white -opaque red -colorspace Gray \
  -format '%[fx:round(mean*w*h)]' info:)
check "the screenshot shows the opened picture ($red red pixels)" "[ '$red' -ge 38400 ]"
[ $fail -eq 0 ] || cat "$dir/run.txt"
exit $fail
