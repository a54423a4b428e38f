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
# Only the top-left pixel selected: the circle and the dithered binary leave the others as they
# were (red becomes black with an error that stays within the selection).
"$tool" effect --effect 17 --value 1 --select 0,0,1,1 "$dir/in.bmp" "$dir/sel17.bmp"
check "effect: the circle changes only selected pixels" \
  "[ \"\$(pixels '$dir/sel17.bmp' 16)\" = '255 0 0 255 255 255 255 255 0 0 255 255 0 255 0 255' ]"
"$tool" effect --effect 22 --value 50 --select 0,0,1,1 "$dir/in.bmp" "$dir/sel22.bmp"
check "effect: the dithered binary changes only selected pixels" \
  "[ \"\$(pixels '$dir/sel22.bmp' 16)\" = '255 0 0 255 255 255 255 255 0 0 0 255 0 255 0 255' ]"
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

# rotate: every kind on 1-, 4-, 8-, 24- and 32-bit files of odd sizes, pixel for pixel against
# ImageMagick's -flop, -flip and -rotate; indexed files keep their depth, colour table and indices.
magick_ops=("" "-flop" "-flip" "-rotate 90" "-rotate 180" "-rotate 270")
bmp_u16() { od -An -tu2 -j"$2" -N2 "$1" | tr -d ' '; }
bmp_u32() { od -An -tu4 -j"$2" -N4 "$1" | tr -d ' '; }
if ! command -v convert >/dev/null || ! command -v compare >/dev/null; then
  check "ImageMagick (convert, compare) is installed for the rotate checks" "false"
else
  convert -seed 3 -size 13x7 plasma:fractal -type TrueColor "BMP3:$dir/r24.bmp"
  convert "$dir/r24.bmp" -colors 200 -type Palette -compress none "BMP3:$dir/r8.bmp"
  convert "$dir/r24.bmp" -colors 16 -type Palette -compress none "BMP3:$dir/r4.bmp"
  convert "$dir/r24.bmp" -colors 2 -type Palette -compress none "BMP3:$dir/r1.bmp"
  # 32 bits with an alpha ramp across the picture.
  convert "$dir/r24.bmp" -alpha set -channel A -fx 'i/w' +channel "BMP:$dir/r32.bmp"
  for depth in 1 4 8 24 32; do
    in="$dir/r$depth.bmp"
    check "rotate test file has $depth bits" "[ \"\$(bmp_u16 '$in' 28)\" = $depth ]"
    for kind in 1 2 3 4 5; do
      ours="$dir/r$depth-k$kind.bmp" theirs="$dir/m$depth-k$kind.bmp"
      "$tool" rotate --kind $kind "$in" "$ours"
      convert "$in" ${magick_ops[$kind]} "$theirs"
      check "rotate --kind $kind of $depth bits: same size as ImageMagick ${magick_ops[$kind]}" \
        "[ \"\$(identify -format '%w %h' '$ours' 2>/dev/null)\" = \"\$(identify -format '%w %h' '$theirs')\" ]"
      check "rotate --kind $kind of $depth bits: no pixel differs from ImageMagick ${magick_ops[$kind]}" \
        "[ \"\$(compare -metric AE '$ours' '$theirs' null: 2>&1)\" = 0 ]"
      check "rotate --kind $kind of $depth bits: written in $depth bits" "[ \"\$(bmp_u16 '$ours' 28)\" = $depth ]"
    done
    if [ $depth -le 8 ]; then
      used=$(bmp_u32 "$in" 46)
      [ "$used" = 0 ] && used=$((1 << depth))
      check "rotate keeps the $depth-bit colour table" \
        "cmp -s <(tail -c +55 '$in' | head -c $((4 * used))) <(tail -c +55 '$dir/r$depth-k3.bmp' | head -c $((4 * used)))"
      # A quarter turn each way gives back the very same stored indices.
      "$tool" rotate --kind 5 "$dir/r$depth-k3.bmp" "$dir/r$depth-back.bmp"
      check "rotate keeps the $depth-bit indices" \
        "cmp -s <(tail -c +\$((\$(bmp_u32 '$in' 10) + 1)) '$in') <(tail -c +\$((\$(bmp_u32 '$dir/r$depth-back.bmp' 10) + 1)) '$dir/r$depth-back.bmp')"
    fi
  done
fi
for args in "--kind 0 $dir/in.bmp $dir/x.bmp" "--kind 6 $dir/in.bmp $dir/x.bmp" "--kind x $dir/in.bmp $dir/x.bmp" \
            "--kind 3 $dir/in.bmp" "$dir/in.bmp $dir/x.bmp" "--kind" "--angle 3 $dir/in.bmp $dir/x.bmp"; do
  "$tool" rotate $args 2>"$dir/err.txt"
  rc=$?
  check "rotate $args is refused with a message" "[ $rc -eq 1 ] && [ -s '$dir/err.txt' ]"
done
"$tool" rotate --kind 3 "$dir/none.bmp" "$dir/x.bmp" 2>"$dir/err.txt"
rc=$?
check "rotate of a missing file is refused" "[ $rc -eq 1 ] && grep -q 'none.bmp' '$dir/err.txt'"
"$tool" rotate --kind 3 "$dir/short.bmp" "$dir/x.bmp" 2>"$dir/err.txt"
rc=$?
check "rotate of a truncated BMP is refused" "[ $rc -eq 1 ] && grep -q 'short.bmp' '$dir/err.txt'"
# alpha: on the 2 × 1 32-bit file above (alphas 200 and 100).
alpha_case() {  # name, expected B G R A of both pixels, arguments
  "$tool" alpha ${@:3} "$dir/alpha.bmp" "$dir/a.bmp"
  check "alpha: $1" "[ \"\$(pixels '$dir/a.bmp' 8)\" = '$2' ]"
}
alpha_case "uniform 55 replaces" "10 20 30 200 90 90 90 200" --source 0 --value 55 --op 0
alpha_case "uniform 55 subtracts" "10 20 30 145 90 90 90 45" --source 0 --value 55 --op 1
alpha_case "uniform 55 adds" "10 20 30 255 90 90 90 155" --source 0 --value 55 --op 2
alpha_case "inversion always replaces" "10 20 30 55 90 90 90 155" --source 1 --op 4
alpha_case "alpha shown as grey" "200 200 200 255 100 100 100 255" --source 18 --op 0
# The other picture's top row is red and green: luminance trunc(0.299 × 255) = 76, trunc(0.587 × 255) = 149.
alpha_case "another image's luminance over the overlap" "10 20 30 76 90 90 90 149" --other "$dir/in.bmp" --op 0
alpha_case "another opaque image's alpha with 最大値" "10 20 30 200 90 90 90 100" --other "$dir/in.bmp" --use-alpha --op 3
"$tool" alpha --source 0 --op 0 "$dir/in.bmp" "$dir/a.bmp"
check "alpha: a 24-bit file becomes 32 bits, opaque" \
  "[ \"\$(pixels '$dir/a.bmp' 16)\" = '255 0 0 255 255 255 255 255 0 0 255 255 0 255 0 255' ]"
if command -v convert >/dev/null && [ -f "$dir/r32.bmp" ]; then
  "$tool" alpha --source 1 --op 0 "$dir/r32.bmp" "$dir/r32-inv.bmp"
  convert "$dir/r32.bmp" -channel A -negate +channel "$dir/m32-inv.bmp"
  check "alpha: the inversion matches ImageMagick's -channel A -negate" \
    "[ \"\$(compare -metric AE '$dir/r32-inv.bmp' '$dir/m32-inv.bmp' null: 2>&1)\" = 0 ]"
fi
for args in "--source 5 --op 0" "--source 0 --other $dir/in.bmp --op 0" "--source 0" "--source 0 --op 6" \
            "--source 0 --op 0 --value 256" "--source x --op 0" "--other $dir/none.bmp --op 0" "--source 0 --op 0 --bad"; do
  "$tool" alpha $args "$dir/alpha.bmp" "$dir/x.bmp" 2>"$dir/err.txt"
  rc=$?
  check "alpha $args is refused with a message" "[ $rc -eq 1 ] && [ -s '$dir/err.txt' ]"
done
for bad in "$dir/short.bmp" "$dir/r8.bmp"; do
  [ -f "$bad" ] || continue
  "$tool" alpha --source 1 --op 0 "$bad" "$dir/x.bmp" 2>"$dir/err.txt"
  rc=$?
  check "alpha of $(basename "$bad") is refused" "[ $rc -eq 1 ] && grep -q '$(basename "$bad")' '$dir/err.txt'"
done
# fill and wand. A picture with anti-aliased edges (many colours) drawn by ImageMagick.
if command -v convert >/dev/null; then
  convert -size 61x47 xc:white -fill black -draw "circle 30,23 30,8" -fill white -draw "circle 30,23 30,16" \
    -stroke blue -draw "line 0,46 60,0" "BMP3:$dir/fill.bmp"
  for at in 2,44 30,23 2,2 60,46 30,10; do
    x=${at%,*} y=${at#*,}
    "$tool" fill --mode 0 --at $at --colour FFFF0000 --tolerance 0,0,0,0 "$dir/fill.bmp" "$dir/f.bmp"
    convert "$dir/fill.bmp" -fill red -draw "color $x,$y floodfill" "$dir/m.bmp"
    check "fill: area fill at $at is ImageMagick's flood fill" \
      "[ \"\$(compare -metric AE '$dir/f.bmp' '$dir/m.bmp' null: 2>&1)\" = 0 ]"
    "$tool" fill --mode 2 --at $at --colour FFFF0000 --tolerance 0,0,0,0 "$dir/fill.bmp" "$dir/f.bmp"
    colour=$(convert "$dir/fill.bmp" -format "%[pixel:p{$x,$y}]" info:)
    convert "$dir/fill.bmp" -fill red -opaque "$colour" "$dir/m.bmp"
    check "fill: colour replacement at $at is ImageMagick's -opaque" \
      "[ \"\$(compare -metric AE '$dir/f.bmp' '$dir/m.bmp' null: 2>&1)\" = 0 ]"
  done
fi
# The 2 x 2 picture (red, green / blue, white): tolerance 255 on red and green joins red and
# green, not blue or white (blue differs); a 24-bit picture stays opaque whatever the colour's alpha.
"$tool" fill --mode 0 --at 0,0 --colour 80102030 --tolerance 0,255,255,0 "$dir/in.bmp" "$dir/f.bmp"
check "fill: tolerances per channel, 24 bits stay opaque" \
  "[ \"\$(pixels '$dir/f.bmp' 16)\" = '255 0 0 255 255 255 255 255 48 32 16 255 48 32 16 255' ]"
# Alpha to colour on the 32-bit picture (alpha 200 and 100): only the clicked alpha changes.
"$tool" fill --mode 3 --at 1,0 --colour 40FFFFFF --tolerance 0,0,0,0 "$dir/alpha.bmp" "$dir/f.bmp"
check "fill: alpha to colour" "[ \"\$(pixels '$dir/f.bmp' 8)\" = '10 20 30 200 255 255 255 64' ]"
for args in "--mode 1 --at 0,0 --colour FF000000 --tolerance 0,0,0,0" "--mode 0 --at 2,0 --colour FF000000 --tolerance 0,0,0,0" \
            "--mode 0 --at 0,0 --colour FF00000 --tolerance 0,0,0,0" "--mode 0 --at 0,0 --colour FF000000 --tolerance 0,0,256,0" \
            "--mode 0 --at 0,0 --colour FF000000" "--mode 0 --at 0 --colour FF000000 --tolerance 0,0,0,0"; do
  "$tool" fill $args "$dir/in.bmp" "$dir/x.bmp" 2>"$dir/err.txt"
  rc=$?
  check "fill $args is refused with a message" "[ $rc -eq 1 ] && [ -s '$dir/err.txt' ]"
done
"$tool" fill --mode 0 --at 0,0 --colour FF000000 --tolerance 0,0,0,0 "$dir/short.bmp" "$dir/x.bmp" 2>"$dir/err.txt"
rc=$?
check "fill of a truncated BMP is refused" "[ $rc -eq 1 ] && grep -q 'short.bmp' '$dir/err.txt'"
if command -v convert >/dev/null; then
  # A white 4 x 4 picture with a black 2 x 2 square: clicking the white outlines the cells beside
  # the square; clicking the square outlines it; a uniform picture gives nothing.
  convert -size 4x4 xc:white -fill black -draw "rectangle 1,1 2,2" "BMP3:$dir/sq.bmp"
  check "wand: the background round a square" \
    "[ \"\$('$tool' wand --at 0,0 --tolerance 0,0,0,0 '$dir/sq.bmp' | tr '\n' ' ')\" = '0,1 1,0 2,0 3,1 3,2 2,3 1,3 0,2 ' ]"
  check "wand: the square" "[ \"\$('$tool' wand --at 2,2 --tolerance 0,0,0,0 '$dir/sq.bmp' | tr '\n' ' ')\" = '1,2 2,2 2,1 1,1 ' ]"
  convert -size 5x5 xc:white "BMP3:$dir/flat.bmp"
  out=$("$tool" wand --at 2,2 --tolerance 0,0,0,0 "$dir/flat.bmp"); rc=$?
  check "wand: a uniform picture prints nothing" "[ $rc -eq 0 ] && [ -z '$out' ]"
  convert -size 1281x1280 xc:white "BMP3:$dir/big.bmp"
  out=$("$tool" wand --at 0,0 --tolerance 0,0,0,0 "$dir/big.bmp"); rc=$?
  check "wand: 1281 x 1280 is too large" "[ $rc -eq 3 ] && [ '$out' = 'too large' ]"
  convert -size 1280x1280 xc:white "BMP3:$dir/big.bmp"
  "$tool" wand --at 0,0 --tolerance 0,0,0,0 "$dir/big.bmp"; rc=$?
  check "wand: 1280 x 1280 is accepted" "[ $rc -eq 0 ]"
fi
for args in "--at 9,9 --tolerance 0,0,0,0" "--at 0,0" "--at 0,0 --tolerance 0,0,0,0 --bad" "--at x --tolerance 0,0,0,0"; do
  "$tool" wand $args "$dir/in.bmp" 2>"$dir/err.txt"
  rc=$?
  check "wand $args is refused with a message" "[ $rc -eq 1 ] && [ -s '$dir/err.txt' ]"
done
# How every command reads its command line: arguments (IN, OUT: the 2 × 2 picture and an output
# file), the exit code and a piece of what it says on standard error (empty: nothing checked).
while IFS='|' read -r args want text; do
  args=${args//IN/$dir/in.bmp}
  args=${args//OUT/$dir/x.bmp}
  "$tool" $args >/dev/null 2>"$dir/err.txt"
  rc=$?
  check "command line '$args' gives $want${text:+ and says $text}" "[ $rc -eq $want ] && { [ -z '$text' ] || grep -qF -- '$text' '$dir/err.txt'; }"
done <<'EOF'
|2|usage: mirelo-tool quantize
colours IN OUT|2|mirelo-tool wand --at X,Y
quantize --mode 9 --mode 12 IN OUT|0|
quantize IN --dither --mode 12 OUT|0|
quantize --mode 12 IN|2|usage
quantize --mode=9 IN OUT|2|usage
quantize --mode 9 -- IN OUT|2|usage
quantize --mode 9 -h IN OUT|2|usage
quantize --mode|2|usage
effect --value 150 IN --effect 0 OUT|0|
effect --effect 0 --value 150 --select -1,-1,2,2 IN OUT|0|
effect --effect 0 --value|2|usage
effect --effect 0 --value 150 --bad IN OUT|2|usage
effect --effect 0 --value 150 --select 0,0,1 IN OUT|1|bad selection 0,0,1 (X,Y,W,H)
effect --effect 0 --value 150 --seed x IN OUT|1|bad seed x
effect --effect 23 --value 0 IN OUT|1|unknown effect 23 (0 to 22)
rotate --kind|1|mirelo-tool: rotate: --kind takes 1 to 5
rotate --kind 3 -5 OUT|1|mirelo-tool: rotate: unknown option -5
rotate --kind 3 --kind 9 IN OUT|1|--kind takes 1 to 5
rotate --kind 9 --kind 3 IN OUT|1|--kind takes 1 to 5
alpha --source 0 --op|1|mirelo-tool: alpha: --op needs a value
alpha --source 0 --op=0 IN OUT|1|mirelo-tool: alpha: unknown option --op=0
alpha --source 0 --op 0 -- IN OUT|1|unknown option --
alpha --use-alpha --other IN --op 3 IN OUT|0|
fill --mode 0 --at 0,0 --colour FF000000 --tolerance|1|mirelo-tool: fill: --tolerance needs a value
fill --mode 0 --at 0,0 --colour FF000000 --tolerance 0,0,0,0 -x IN OUT|1|mirelo-tool: fill: unknown option -x
fill --mode 0 --at 0,0 --colour FF00000G --tolerance 0,0,0,0 IN OUT|1|bad colour FF00000G (AARRGGBB in hexadecimal)
wand --at 9,9 --at 1,1 --tolerance 0,0,0,0 IN|0|
wand --at 0,0 --tolerance 0,0,0,0 IN IN|1|mirelo-tool: wand: usage
icon-info --x|1|cannot read --x
icon-extract IN x OUT|2|usage
icon-write --cursor OUT IN:3,99999|2|bad hot spot
icon-write OUT IN:3,4|2|a hot spot needs --cursor
EOF
exit $fail
