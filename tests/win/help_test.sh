#!/usr/bin/env bash
# The compiled help file read back with chmlib (extract_chmLib): every page the contents name is in
# it; the contents and the index are in code page 932 with Japanese entries; every picture a page
# shows is in it and is a real PNG of more than one colour; every page declares its charset; and
# the text of every menu command of the resource file appears in the pages.
# F1 in each dialog opens a page that is in the file.
# Usage: help_test.sh <mirelo.chm> <mirelo.rc> <help.cpp>
set -u
chm=$1
rc=$2
help_cpp=$3
[ -s "$chm" ] || { echo "FAILED: no help file at $chm (cmake --build build/win --target mirelo_help)"; exit 1; }
command -v extract_chmLib >/dev/null || { echo "FAILED: extract_chmLib is missing (apt-get install libchm-bin)"; exit 1; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; fail=1; fi; }

extract_chmLib "$chm" "$dir/x" >/dev/null 2>&1
x=$dir/x
check "the file opens and holds pages" "ls '$x'/*.html >/dev/null 2>&1"

# The contents: code page 932, not UTF-8, with Japanese names that name existing pages.
check "the contents file is in it" "[ -s '$x/toc.hhc' ]"
check "the contents are not UTF-8" "! iconv -f UTF-8 -t UTF-8 '$x/toc.hhc' >/dev/null 2>&1"
iconv -f CP932 -t UTF-8 "$x/toc.hhc" >"$dir/toc.txt" 2>/dev/null
check "the contents read as code page 932" "[ -s '$dir/toc.txt' ]"
for name in 'はじめに' '「ﾌｧｲﾙ」メニュー' '効果' '色選択' 'キー操作'; do
  check "the contents have the entry $name" "grep -q 'name=\"Name\" value=\"$name\"' '$dir/toc.txt'"
done
pages=$(grep -o 'name="Local" value="[^"]*"' "$dir/toc.txt" | sed 's/.*value="//; s/"$//' | sort -u)
check "the contents name at least 30 pages ($(wc -w <<<"$pages"))" "[ $(wc -w <<<"$pages") -ge 30 ]"
for p in $pages; do
  [ -s "$x/$p" ] || { echo "FAILED: the contents name $p, which is not in the file"; fail=1; }
done
check "the index is in code page 932" "[ -s '$x/index.hhk' ] && ! iconv -f UTF-8 -t UTF-8 '$x/index.hhk' >/dev/null 2>&1 && iconv -f CP932 -t UTF-8 '$x/index.hhk' | grep -q 'value=\"マージ\"'"
# The window type "main" (#WINDOWS: an 8-byte header, then HH_WINTYPE with 32-bit fields): a
# three-pane window whose navigation pane has a width, so that the contents show beside the page.
check "the window type is three-pane" "[ \$(( \$(od -An -tu4 -j 24 -N 4 '$x/#WINDOWS') & 0x20 )) -ne 0 ]"
check "the navigation pane has a width" "[ \$(od -An -td4 -j 84 -N 4 '$x/#WINDOWS') -ge 150 ]"
check "the project is Japanese (LCID 0x411 in #SYSTEM)" "od -An -tx1 -v '$x/#SYSTEM' | tr -d ' \n' | grep -q '11040000'"

# Pages: each declares its charset; each picture it shows is in the file and not one flat colour.
for f in "$x"/*.html; do
  grep -qi 'charset=utf-8' "$f" || { echo "FAILED: $(basename "$f") declares no charset"; fail=1; }
done
images=$(grep -oh 'src="images/[^"]*"' "$x"/*.html | sed 's/src="//; s/"$//' | sort -u)
check "the pages show pictures ($(wc -w <<<"$images"))" "[ $(wc -w <<<"$images") -ge 8 ]"
for img in $images; do
  colours=$(convert "$x/$img" -format '%k' info: 2>/dev/null || echo 0)
  if [ "${colours:-0}" -le 4 ]; then echo "FAILED: $img is missing or empty ($colours colours)"; fail=1; fi
done
check "the main window and the effects dialog are pictured" "[ -s '$x/images/main-window.png' ] && [ -s '$x/images/dialog-effects.png' ]"
for t in select shape retouch fill text; do
  check "the $t tool's page shows its option bar" "grep -q 'src=\"images/bar-$t.png\"' '$x/tool_$t.html' && [ -s '$x/images/bar-$t.png' ]"
done

for p in $(grep -o 'u"dlg_[a-z_]*\.html"' "$help_cpp" | sed 's/u"//; s/"$//' | sort -u); do
  [ -s "$x/$p" ] || { echo "FAILED: F1 opens $p, which is not in the file"; fail=1; }
done

# Every menu command's text, without its accelerator mark, its "..." and what follows a tab.
cat "$x"/*.html >"$dir/all.html"
missing=0
count=0
while IFS= read -r text; do
  count=$((count + 1))
  grep -qF -- "$text" "$dir/all.html" || { echo "FAILED: no page mentions the menu text \"$text\""; missing=1; }
done < <(grep -oE '^\s*(MENUITEM|POPUP) "[^"]+"' "$rc" | sed -E 's/^\s*(MENUITEM|POPUP) "//; s/"$//; s/\\t.*//; s/\(&?[A-Z]\)//; s/&//g; s/\.\.\.$//' | sort -u)
check "the pages mention all $count menu texts" "[ $missing -eq 0 ] && [ $count -ge 90 ]"
exit $fail
