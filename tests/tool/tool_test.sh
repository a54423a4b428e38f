#!/usr/bin/env bash
# Checks mirelo-tool end to end on small BMP files made here.
set -u
tool=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail=0
check() { if ! eval "$2"; then echo "FAILED: $1"; fail=1; else echo "ok: $1"; fi; }

# A 2 × 2 24-bit BMP: red, green / blue, white (rows stored bottom-up, padded to 8 bytes).
printf 'BM\x46\x00\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00' >"$dir/in.bmp"
printf '\x28\x00\x00\x00\x02\x00\x00\x00\x02\x00\x00\x00\x01\x00\x18\x00\x00\x00\x00\x00\x10\x00\x00\x00' >>"$dir/in.bmp"
printf '\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00' >>"$dir/in.bmp"
printf '\xff\x00\x00\xff\xff\xff\x00\x00' >>"$dir/in.bmp"   # bottom row: blue, white
printf '\x00\x00\xff\x00\xff\x00\x00\x00' >>"$dir/in.bmp"   # top row: red, green

for mode in 1 5 8 9 12; do
  "$tool" quantize --mode $mode "$dir/in.bmp" "$dir/out$mode.bmp"
  check "mode $mode writes a BMP" "[ \"\$(head -c 2 '$dir/out$mode.bmp')\" = BM ]"
done
"$tool" quantize --mode 12 --dither "$dir/in.bmp" "$dir/dither.bmp"
check "dithered median cut" "[ -s '$dir/dither.bmp' ]"
# 8 bits: 14 + 40 + 256 × 4 + 2 rows of 4 bytes; 4 colours are kept exactly (median cut, exact palette).
check "8-bit file size" "[ \$(stat -c %s '$dir/out12.bmp') -eq 1086 ]"
check "1-bit file size" "[ \$(stat -c %s '$dir/out1.bmp') -eq 70 ]"

head -c 60 "$dir/in.bmp" >"$dir/short.bmp"
"$tool" quantize --mode 9 "$dir/short.bmp" "$dir/x.bmp" 2>"$dir/err.txt"
rc=$?
check "truncated BMP is refused" "[ $rc -ne 0 ] && grep -q 'short.bmp' '$dir/err.txt'"
"$tool" quantize --mode 13 "$dir/in.bmp" "$dir/x.bmp" 2>/dev/null
rc=$?
check "bad mode is refused" "[ $rc -ne 0 ]"
"$tool" quantize --mode 9 "$dir/none.bmp" "$dir/x.bmp" 2>/dev/null
rc=$?
check "missing file is refused" "[ $rc -ne 0 ]"
# effect: the 2 × 2 picture brightened by 127 (150), written as 32 bits with alpha 255 (rows bottom-up).
pixels() { od -A n -t u1 -j 54 -N "$2" "$1" | tr -s ' \n' ' ' | sed 's/^ //; s/ $//'; }
"$tool" effect --effect 0 --value 150 "$dir/in.bmp" "$dir/bright.bmp"
check "effect: brightness 150 adds 127" \
  "[ \"\$(pixels '$dir/bright.bmp' 16)\" = '255 127 127 255 255 255 255 255 127 127 255 255 127 255 127 255' ]"
# Only the top-left pixel (red) selected: it turns white, the others stay.
"$tool" effect --effect 0 --value 200 --select 0,0,1,1 "$dir/in.bmp" "$dir/sel.bmp"
check "effect: the selection limits the change" \
  "[ \"\$(pixels '$dir/sel.bmp' 16)\" = '255 0 0 255 255 255 255 255 255 255 255 255 0 255 0 255' ]"
# A 32-bit file's fourth byte is its alpha: luminance to alpha 5 takes 255 − grey from it.
printf 'BM\x3e\x00\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00' >"$dir/alpha.bmp"
printf '\x28\x00\x00\x00\x02\x00\x00\x00\x01\x00\x00\x00\x01\x00\x20\x00\x00\x00\x00\x00\x08\x00\x00\x00' >>"$dir/alpha.bmp"
printf '\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00' >>"$dir/alpha.bmp"
printf '\x0a\x14\x1e\xc8\x5a\x5a\x5a\x64' >>"$dir/alpha.bmp"
"$tool" effect --effect 7 --value 5 "$dir/alpha.bmp" "$dir/alpha-out.bmp"
check "effect: 32-bit alpha in and out" "[ \"\$(pixels '$dir/alpha-out.bmp' 8)\" = '10 20 30 180 90 90 90 10' ]"
"$tool" effect --effect 14 --value 50 --seed 7 "$dir/in.bmp" "$dir/noise1.bmp"
"$tool" effect --effect 14 --value 50 --seed 7 "$dir/in.bmp" "$dir/noise2.bmp"
check "effect: noise with a seed repeats" "cmp -s '$dir/noise1.bmp' '$dir/noise2.bmp'"
for e in 1 2 3 4 5 6 8 9 10 11 12 13 15 16 17 18 19 20 21 22; do
  "$tool" effect --effect $e --value 1 "$dir/in.bmp" "$dir/e$e.bmp" || echo "effect $e failed"
done
check "effect: every effect writes a 32-bit file" "[ \$(cat '$dir'/e*.bmp | wc -c) -eq \$((20 * 70)) ]"
"$tool" effect --effect 23 --value 0 "$dir/in.bmp" "$dir/x.bmp" 2>"$dir/err.txt"
rc=$?
check "effect: unknown effect is refused" "[ $rc -eq 1 ] && grep -q 'unknown effect' '$dir/err.txt'"
"$tool" effect --effect 15 --value 2 "$dir/in.bmp" "$dir/x.bmp" 2>"$dir/err.txt"
rc=$?
check "effect: value out of range is refused" "[ $rc -eq 1 ] && grep -q 'out of range' '$dir/err.txt'"
"$tool" effect --effect 0 --value 100 "$dir/short.bmp" "$dir/x.bmp" 2>"$dir/err.txt"
rc=$?
check "effect: bad file is refused" "[ $rc -eq 1 ] && grep -q 'short.bmp' '$dir/err.txt'"
"$tool" effect --effect 0 --value 100 "$dir/none.bmp" "$dir/x.bmp" 2>/dev/null
rc=$?
check "effect: missing file is refused" "[ $rc -eq 1 ]"
exit $fail
