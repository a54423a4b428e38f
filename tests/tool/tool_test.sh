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
exit $fail
