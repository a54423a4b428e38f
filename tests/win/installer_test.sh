#!/usr/bin/env bash
# The installer of `make dist`: installed per user into a fresh Wine prefix without a question, it
# puts the program in the user's own programs folder with a Start-menu shortcut and offers it under
# "Open with" without taking the default program; the installed program opens a picture; the
# uninstall leaves no file or registry key of ours.
# Usage: installer_test.sh <Mirelo-version.msi>   (needs DISPLAY, as tools/with-display.sh gives)
set -u
msi=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
[ -f "$msi" ] || { echo "FAILED: no installer at $msi (make dist)"; exit 1; }
[ -n "${DISPLAY:-}" ] || { echo "FAILED: no display"; exit 1; }
dir=$(mktemp -d)
export WINEPREFIX=$dir/prefix WINEDEBUG=-all
trap 'wineserver -k 2>/dev/null; rm -rf "$dir"' EXIT
fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; fail=1; fi; }
winpath() { echo "Z:${1//\//\\}"; }
value() { wine reg query "$1" ${2:+/v "$2"} 2>/dev/null | tr -d '\r'; }
contains() { [[ "$1" == *"$2"* ]]; }
has_key() { wine reg query "$1" >/dev/null 2>&1; }

"$root/tools/wine-prefix.sh" "$WINEPREFIX" || { echo "FAILED: no Wine prefix"; exit 1; }
user_dir=$(ls -d "$WINEPREFIX"/drive_c/users/*/AppData/Local/.. 2>/dev/null | grep -v '/Public/' | head -n1)
user_dir=$(cd "$user_dir/.." && pwd)
programs="$user_dir/AppData/Local/Programs/Mirelo"
shortcut="$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Mirelo.lnk"
help_shortcut="$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Mirelo Help.lnk"
# Another program is the default for .png: the installer must leave it so.
wine reg add 'HKCU\Software\Classes\.png' /ve /d OtherViewer.png /f >/dev/null 2>&1

timeout 120 wine msiexec /i "$(winpath "$msi")" /qn
check "msiexec installs without a question (exit $?)" "[ $? -eq 0 ]"
check "the program is in the user's programs folder" "[ -f '$programs/Mirelo.exe' ]"
check "the read-me files and the licence are beside it" "[ -f '$programs/README-ja.txt' ] && [ -f '$programs/README-en.txt' ] && [ -f '$programs/LICENSE.txt' ]"
check "the Start menu has the shortcut" "[ -f '$shortcut' ]"
check "the Start-menu shortcut points at the program" "grep -aq 'Mirelo.exe' '$shortcut'"
check "the help file is beside the program" "[ \"\$(head -c 4 '$programs/mirelo.chm' 2>/dev/null)\" = ITSF ]"
check "the Start menu has a shortcut to the help file" "[ -f '$help_shortcut' ] && grep -aq 'mirelo.chm' '$help_shortcut'"
command=$(value 'HKCU\Software\Classes\Applications\Mirelo.exe\shell\open\command' | grep -o '".*')
check "Open with knows the program ($command)" 'contains "$command" "Programs\\Mirelo\\Mirelo.exe\" \"%1\""'
check "Open with offers it for .png and .jpg" \
  "value 'HKCU\Software\Classes\.png\OpenWithProgids' Mirelo.Image | grep -q Mirelo.Image && value 'HKCU\Software\Classes\.jpg\OpenWithProgids' Mirelo.Image | grep -q Mirelo.Image"
check "the default program of .png is unchanged" "value 'HKCU\Software\Classes\.png' | grep -q OtherViewer.png"
check "nothing was written for all users" "! has_key 'HKLM\Software\Classes\Mirelo.Image' && [ ! -d '$WINEPREFIX/drive_c/Program Files/Mirelo' ]"

# The installed program opens a picture.
convert -size 200x150 xc:blue "$dir/blue picture.png"
wine "$programs/Mirelo.exe" "$(winpath "$dir/blue picture.png")" >/dev/null 2>&1 &
window=$(timeout 60 xdotool search --sync --onlyvisible --name '^Mirelo' 2>/dev/null | head -n1)
check "the installed program shows its window" "[ -n '$window' ]"
if [ -n "$window" ]; then
  sleep 3
  import -window "$window" "$dir/shot.png" 2>/dev/null
  blue=$(convert "$dir/shot.png" -fuzz 10% -fill black +opaque blue -fill white -opaque blue -colorspace Gray \
    -format '%[fx:round(mean*w*h)]' info: 2>/dev/null)
  check "its window shows the picture (${blue:-0} blue pixels of 30000)" "[ '${blue:-0}' -ge 15000 ]"
fi
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null

timeout 120 wine msiexec /x "$(winpath "$msi")" /qn
check "msiexec uninstalls without a question (exit $?)" "[ $? -eq 0 ]"
left=$(find "$WINEPREFIX/drive_c" -iname '*mirelo*' 2>/dev/null)
check "no file of ours is left${left:+: $left}" "[ -z '$left' ]"
check "the help file and its shortcut are gone" "[ ! -e '$programs/mirelo.chm' ] && [ ! -e '$help_shortcut' ]"
# The installer's own values go; the settings the program kept for the user (window, recent files)
# stay under the same key for a later install, as with other programs.
for name in InstallDir OpenWith StartMenu; do
  check "the installer's value $name is gone" "! value 'HKCU\Software\Mirelo' $name | grep -q $name"
done
check "the picture the program opened stays in its recent files" "value 'HKCU\Software\Mirelo' Recent0 | grep -q Recent0"
for key in 'HKCU\Software\Classes\Mirelo.Image' 'HKCU\Software\Classes\Applications\Mirelo.exe'; do
  check "no key $key is left" "! has_key '$key'"
done
check "no Open-with entry is left" "! value 'HKCU\Software\Classes\.png\OpenWithProgids' Mirelo.Image | grep -q Mirelo.Image"
check "the default program of .png is still the other one" "value 'HKCU\Software\Classes\.png' | grep -q OtherViewer.png"
exit $fail
