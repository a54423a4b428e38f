#!/usr/bin/env bash
# Builds the help file mirelo.chm: the pages of help/ with the program's screenshots, compiled by
# chmcmd (fp-utils). HTML Help reads the table of contents, the index and the project in the
# file's language code page (Japanese, 932), so those three are converted from UTF-8 here; the
# pages keep UTF-8 and say so in their <meta> charset.
# Usage: make-help.sh <help source directory> <Mirelo.exe> <mirelo_shot.exe> <output .chm>
set -euo pipefail
fail() { echo "make-help: $*" >&2; exit 1; }
[ $# -eq 4 ] || fail "usage: make-help.sh <help dir> <Mirelo.exe> <mirelo_shot.exe> <output .chm>"
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
src=$(cd "$1" && pwd)
command -v chmcmd >/dev/null || fail "chmcmd is missing (apt-get install fp-utils-3.2.2)"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

cp "$src"/pages/*.html "$src"/pages/*.css "$stage/"
for f in mirelo.hhp toc.hhc index.hhk; do
  iconv -f UTF-8 -t CP932 "$src/$f" >"$stage/$f" || fail "$f does not fit code page 932"
done
for f in "$stage"/*.html; do
  grep -qi '<meta http-equiv="Content-Type" content="text/html; charset=utf-8">' "$f" ||
    fail "$(basename "$f") does not declare its charset"
done

mkdir "$stage/images"
bash "$here/help-screenshots.sh" "$2" "$3" "$stage/images"

# Every picture a page shows must be there, and every page the contents name.
for img in $(grep -oh 'src="images/[^"]*"' "$stage"/*.html | sed 's/src="//; s/"$//' | sort -u); do
  [ -s "$stage/$img" ] || fail "a page shows $img, which was not made"
done
for page in $(grep -oh 'value="[a-z0-9_-]*\.html' "$src/toc.hhc" | sed 's/value="//' | sort -u); do
  [ -f "$stage/$page" ] || fail "the contents name $page, which does not exist"
done

# Every page, the style sheet and every picture go into the file, linked or not.
(cd "$stage" && ls *.html *.css images/*.png) >>"$stage/mirelo.hhp"
(cd "$stage" && chmcmd --verbosity 1 mirelo.hhp >chmcmd.log 2>&1) || { cat "$stage/chmcmd.log" >&2; fail "chmcmd failed"; }
[ -s "$stage/mirelo.chm" ] || { cat "$stage/chmcmd.log" >&2; fail "chmcmd wrote no file"; }
mkdir -p "$(dirname "$4")"
mv "$stage/mirelo.chm" "$4"
echo "make-help: $4"
