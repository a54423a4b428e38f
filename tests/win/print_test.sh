#!/usr/bin/env bash
# Printing to a real printer driver: print_test.cpp prints through Wine's PostScript driver into
# files here; Ghostscript renders every page at the images' 72 dpi and ImageMagick compares the
# pages with the printed images: the page count per job, the place at the margins, and the cut
# (not scaled) edge at the right margin.
# Usage: print_test.sh <mirelo_win_tests.exe>   (needs DISPLAY, as tools/with-display.sh gives)
set -u
exe=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
for p in gs convert compare; do
  command -v "$p" >/dev/null || { echo "FAILED: $p is not installed (apt-get install ghostscript imagemagick)"; exit 1; }
done
[ -f "$exe" ] || { echo "FAILED: no test program at $exe"; exit 1; }
dir=$(mktemp -d)
# KEEP=1 keeps the jobs and pages for looking at them.
if [ -n "${KEEP:-}" ]; then echo "kept in $dir"; else trap 'rm -rf "$dir"' EXIT; fi
fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; fail=1; fi; }

winedir="Z:$(printf '%s' "$dir" | tr / '\\')"
MIRELO_PRINT_DIR="$winedir" MIRELO_PRINT_UNIX_DIR="$dir" "$root/tools/wine-run.sh" "$exe" --gtest_filter='PrintPeer*' >"$dir/run.txt" 2>&1
check "the printing tests passed under Wine" "grep -q '\[  PASSED  \] 3 tests' '$dir/run.txt'"
grep -q '\[  PASSED  \] 3 tests' "$dir/run.txt" || cat "$dir/run.txt"

# Renders a job into one PNG per page at 72 dpi; prints the number of pages.
render() {
  [ -s "$dir/$1.ps" ] || { echo 0; return; }
  gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=png16m -r72 -sOutputFile="$dir/$1-%d.png" "$dir/$1.ps" >/dev/null 2>&1
  ls "$dir/$1"-*.png 2>/dev/null | wc -l
}
# Pixels that differ by more than 10 % between a part of a page and a part of an image.
differing() {  # page geometry image geometry
  convert "$dir/$1" -crop "$2" +repage "$dir/a.png" && convert "$dir/$3" -crop "$4" +repage "$dir/b.png" &&
    compare -metric AE -fuzz 10% "$dir/a.png" "$dir/b.png" null: 2>&1 | cut -d' ' -f1
}
# Mean brightness of a part of a page (1 = white).
mean() { convert "$dir/$1" -crop "$2" +repage -format '%[fx:mean]' info:; }
below() { [ -n "$1" ] && awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }
above() { [ -n "$1" ] && awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'; }

# A 1000 × 300 image on A4 (595 × 841 at 72 dpi) with 25 mm margins (70): 455 columns at (70, 70).
check "one copy is one page" "[ \$(render one) -eq 1 ]"
d=$(differing one-1.png 455x300+70+70 wide.bmp 455x300+0+0)
check "the image stands at the margins, pixel for pixel ($d of 136500 differ)" "below '$d' 2000"
m=$(mean one-1.png 60x300+528+70)
check "it is cut at the right margin, not scaled (right margin mean $m)" "above '$m' 0.99"
m=$(mean one-1.png 455x60+70+5)
check "the top margin stays white (mean $m)" "above '$m' 0.99"
check "three copies are three pages of one job" "[ \$(render three) -eq 3 ] && [ \$(grep -c '^%%Page:' '$dir/three.ps') -eq 3 ]"
d=$(differing three-3.png 595x842+0+0 one-1.png 595x842+0+0)
check "every copy is the same page ($d pixels differ)" "[ '$d' = 0 ]"

# The selection option: without a selection the whole 400 × 200 image, with one its bounds less one.
check "printing the selection range without a selection gives a page" "[ \$(render no-selection) -eq 1 ]"
d=$(differing no-selection-1.png 400x200+70+70 small.bmp 400x200+0+0)
check "without a selection the whole image is printed ($d differ)" "below '$d' 800"
check "printing a selection gives a page" "[ \$(render selection) -eq 1 ]"
d=$(differing selection-1.png 200x100+70+70 small.bmp 200x100+100+50)
check "the selection's bounds are printed at the margins ($d differ)" "below '$d' 400"
m=$(mean selection-1.png 100x100+275+70)
check "nothing beyond the selection's bounds (mean $m)" "above '$m' 0.99"

# Margins of 0: the image at the paper's corner, cut at its edge; the printer's unprintable
# quarter inch (18) at the edges is left out of the comparison.
check "the page with margins of 0 was printed" "[ \$(render corner) -eq 1 ]"
d=$(differing corner-1.png 559x282+18+18 corner.bmp 559x282+18+18)
check "with margins of 0 the image starts at the paper's corner ($d differ)" "below '$d' 2500"
exit $fail
