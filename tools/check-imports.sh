#!/usr/bin/env bash
# Fails when a Windows program imports a DLL that Windows itself does not provide
# (for example a mingw runtime DLL that would have to ship beside the .exe).
set -u
exe=$1
allowed="kernel32.dll user32.dll gdi32.dll gdiplus.dll comctl32.dll comdlg32.dll shell32.dll ole32.dll oleaut32.dll
advapi32.dll msvcrt.dll winspool.drv shlwapi.dll uxtheme.dll version.dll imm32.dll"
bad=0
dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {print tolower($3)}')
[ -n "$dlls" ] || { echo "no imports read from $exe"; exit 1; }
for d in $dlls; do
  if ! grep -qw "$d" <<<"$allowed"; then echo "$exe imports $d, which Windows does not provide"; bad=1; fi
done
echo "$(basename "$exe") imports: $(echo $dlls)"
exit $bad
