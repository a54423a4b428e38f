#!/usr/bin/env bash
# Creates a Wine prefix once, with the font replacements that make Japanese text readable.
set -u
prefix=$1
export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
[ -f "$prefix/.mirelo-ready" ] && exit 0
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
[ -f "$prefix/.mirelo-ready" ] && exit 0
wineboot -i >/dev/null 2>&1
reg=$(mktemp --suffix=.reg)
cat >"$reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Tahoma"="IPAPGothic"
"MS Shell Dlg"="IPAPGothic"
"MS Shell Dlg 2"="IPAPGothic"
"MS UI Gothic"="IPAPGothic"
"Segoe UI"="IPAPGothic"
"MS Gothic"="IPAGothic"
REG
wine regedit "$reg" >/dev/null 2>&1
wineserver -w
rm -f "$reg"
touch "$prefix/.mirelo-ready"
