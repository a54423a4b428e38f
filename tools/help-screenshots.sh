#!/usr/bin/env bash
# Makes the help's pictures of the real program: starts Mirelo.exe under Wine on a virtual display
# (with the prefix's Japanese fonts), opens a picture made here, drives it with mirelo_shot.exe
# (commands to the main window, rectangles of its parts) and cuts the screenshots out of the
# screen with ImageMagick. Fails loudly when the program cannot be started or a picture comes out
# empty (one flat colour); never leaves an empty picture behind.
# Usage: help-screenshots.sh <Mirelo.exe> <mirelo_shot.exe> <output directory>
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
fail() { echo "help-screenshots: $*" >&2; exit 1; }
[ $# -eq 3 ] || fail "usage: help-screenshots.sh <Mirelo.exe> <mirelo_shot.exe> <output directory>"
[ -f "$1" ] || fail "no program $1"
[ -f "$2" ] || fail "no helper $2"
if [ -z "${DISPLAY:-}" ]; then exec "$here/with-display.sh" bash "${BASH_SOURCE[0]}" "$@"; fi
exe=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
shot=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
mkdir -p "$3"
out=$(cd "$3" && pwd)

# A prefix of its own, so that a Wine server of the tests or of `make run` on another display is
# never borrowed.
export WINEPREFIX=${MIRELO_HELP_PREFIX:-$(dirname "$exe")/wine-help}
export WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
"$here/wine-prefix.sh" "$WINEPREFIX" || fail "cannot prepare the Wine prefix $WINEPREFIX"

work=$(mktemp -d)
pid=""
cleanup() {
  local rc=$?
  set +e
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  wineserver -k 2>/dev/null
  [ -n "$pid" ] && wait "$pid" 2>/dev/null
  rm -rf "$work"
  exit $rc
}
trap cleanup EXIT

# The picture the screenshots show: a sky gradient with a sun and a house, 480 × 320.
convert -size 480x320 gradient:'#5b8fd8-#eaf2fb' \
  -fill '#f2b233' -draw 'circle 380,80 380,40' \
  -fill '#3d8c4f' -draw 'rectangle 0,250 479,319' \
  -fill '#c8553d' -draw 'polygon 90,170 170,110 250,170' \
  -fill '#f4ead5' -draw 'rectangle 105,170 235,260' \
  -fill '#6b4a2f' -draw 'rectangle 155,205 185,260' \
  "$work/sample.png"

ctl() { wine "$shot" "$@" 2>/dev/null | tr -d '\r'; }

wine "$exe" "Z:${work//\//\\}\\sample.png" >/dev/null 2>&1 &
pid=$!
ctl wait 90 >/dev/null || fail "Mirelo.exe did not open its main window (is Wine working?)"
sleep 3
kill -0 "$pid" 2>/dev/null || fail "Mirelo.exe ended right after it started"

# grab NAME GEOMETRY: cuts GEOMETRY out of the screen into NAME once the program has finished
# painting it (two captures 0.3 s apart agree; Wine paints a changed window in steps, more slowly
# on a busy machine), or fails. A picture that never settles (a blinking caret) is kept with a
# note; an empty one (one flat colour) never is.
grab() {
  local name=$1 geometry=$2 file="$out/$1" previous="" now="" tries=0
  [ -n "$geometry" ] || fail "no rectangle for $name"
  rm -f "$file"
  while :; do
    import -window root -crop "$geometry" +repage "$work/grab.png" || fail "cannot capture $name"
    now=$(identify -format '%#' "$work/grab.png" 2>/dev/null) || fail "cannot read the capture of $name"
    [ "$now" = "$previous" ] && break
    tries=$((tries + 1))
    if [ $tries -ge 12 ]; then
      echo "help-screenshots: $name kept changing; the last capture is used" >&2
      break
    fi
    previous=$now
    sleep 0.3
  done
  local colours
  colours=$(convert "$work/grab.png" -format '%k' info: 2>/dev/null || echo 0)
  [ "${colours:-0}" -gt 4 ] || fail "$name is empty ($colours colours in $geometry)"
  mv "$work/grab.png" "$file"
  echo "  $name ($geometry, $colours colours)"
}

# A tool's option bar: the tool's command, carried out before it returns, then the rows of the
# top rebar below the main tool bar as far as their controls reach.
bar() {
  ctl send "$2" >/dev/null || fail "cannot send command $2"
  local geometry
  geometry=$(ctl option-rect) || fail "the tool of command $2 showed no option bar for $1"
  grab "$1" "$geometry"
}

# A dialog: its command, the dialog's rectangle, then Cancel.
dialog() {
  ctl command "$2" >/dev/null || fail "cannot send command $2"
  local geometry
  geometry=$(ctl dialog-rect 15) || fail "command $2 showed no dialog for $1"
  sleep 1
  grab "$1" "$geometry"
  ctl close-dialog >/dev/null || fail "the dialog of $1 did not close"
  sleep 0.5
}

echo "help-screenshots: writing into $out"
grab main-window.png "$(ctl rect)"
bar bar-select.png 1156
bar bar-fill.png 1159
bar bar-retouch.png 1158
bar bar-text.png 1161
bar bar-shape.png 1157
dialog dialog-effects.png 40043
dialog dialog-resize.png 40035
dialog dialog-transparency.png 40042
dialog dialog-resolution.png 40081
dialog dialog-grid.png 40079
dialog dialog-new.png 40001
ctl command 1157 >/dev/null || fail "cannot choose the shape tool"
sleep 1
dialog dialog-colour.png 40044
