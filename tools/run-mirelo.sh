#!/usr/bin/env bash
# Starts Mirelo under Wine. With a display it runs until the user closes it. Without one it
# starts a virtual display, takes a screenshot a few seconds after start-up, names the file,
# and ends the program.
set -u
exe=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
shift
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$(dirname "$exe")
export WINEPREFIX=${WINEPREFIX:-$build/wine} WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
"$here/wine-prefix.sh" "$WINEPREFIX" || exit 1

# Linux paths given as files are handed over as Windows paths on drive Z:, which Wine maps to
# the root. Worked out here rather than with winepath: any Wine command run now, before the
# virtual display exists, would start the prefix's server without one, and Mirelo could then not
# open its window on the display started below.
args=()
for f in "$@"; do
  if [ -e "$f" ]; then
    full="$(cd "$(dirname "$f")" && pwd)/$(basename "$f")"
    args+=("Z:${full//\//\\}")
  else
    args+=("$f")
  fi
done

if [ -n "${DISPLAY:-}" ] && [ -z "${MIRELO_SCREENSHOT:-}" ]; then
  exec wine "$exe" "${args[@]}"
fi

shot=${MIRELO_SCREENSHOT:-$build/screenshot.png}
cat >"$build/run-headless.sh" <<SCRIPT
#!/usr/bin/env bash
wine "$exe" ${args[@]+$(printf '%q ' "${args[@]}")} &
pid=\$!
sleep \${MIRELO_SHOT_DELAY:-10}
import -window root "$shot"
kill \$pid 2>/dev/null
wineserver -k 2>/dev/null
wait \$pid 2>/dev/null
exit 0
SCRIPT
chmod +x "$build/run-headless.sh"
if [ -n "${DISPLAY:-}" ]; then "$build/run-headless.sh"; else "$here/with-display.sh" "$build/run-headless.sh"; fi
echo "Screenshot of Mirelo after start-up: $shot"
