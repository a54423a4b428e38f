#!/usr/bin/env bash
# Checks mirelo-tool's icon and pointer files against icotool (icoutils) and ImageMagick, both
# ways: files we write must list, extract and identify right there; files icotool makes must
# read here with the right sizes, depths, hot spots and pixels.
set -u
tool=$1
for p in icotool convert identify compare; do
  command -v "$p" >/dev/null || { echo "FAILED: $p is not installed (make deps installs icoutils and imagemagick)"; exit 1; }
done
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail=0
source "$(dirname "${BASH_SOURCE[0]}")/icon_peer_lib.sh"

# Pictures: 16 × 16 with a transparent 4 × 4 corner, a half-transparent column and one pixel of
# alpha 64; 32 × 32 with a transparent corner over a gradient; 8 × 8 of four colours.
convert -size 16x16 gradient:'rgb(200,30,10)'-'rgb(20,90,240)' -alpha set -channel A \
  -fx "i<4&&j<4?0:(i==8?128/255:(i==12&&j==12?64/255:1))" +channel -depth 8 "$dir/a16.png"
convert -size 32x32 gradient:yellow-'rgb(0,100,0)' -alpha set -channel A -fx "i<5&&j<5?0:1" +channel -depth 8 "$dir/a32.png"
convert -size 8x8 xc:white -fill 'rgb(255,0,0)' -draw "rectangle 0,0 3,3" -fill 'rgb(0,0,255)' -draw "rectangle 4,4 7,7" \
  -fill black -draw "point 6,1" -alpha set -channel A -fx "i==7&&j==0?0:1" +channel -depth 8 "$dir/c8.png"
convert -size 256x256 gradient:red-blue -alpha set -channel A -fx "i<10?0:1" +channel -depth 8 "$dir/big.png"
for n in a16 a32 c8 big; do
  convert "$dir/$n.png" -define bmp:format=bmp4 "$dir/$n.bmp"
done
check "the 32-bit BMPs keep their alpha" "same_pixels '$dir/a16.bmp' '$dir/a16.png'"

# --- Files written here, read by the peers.
"$tool" icon-write "$dir/mine.ico" "$dir/a16.bmp" "$dir/a32.bmp"
check "icon-write makes an icon" "[ \$? -eq 0 ] && [ -s '$dir/mine.ico' ]"
icotool -l "$dir/mine.ico" >"$dir/list.txt" 2>&1
check "icotool lists our icon" "diff -u - '$dir/list.txt' <<'EOF'
--icon --index=1 --width=16 --height=16 --bit-depth=32 --palette-size=0
--icon --index=2 --width=32 --height=32 --bit-depth=32 --palette-size=0
EOF"
mkdir "$dir/x"
icotool -x -o "$dir/x" "$dir/mine.ico"
check "icotool extracts the 16 x 16 entry with our pixels" "same_pixels '$dir/x/mine_1_16x16x32.png' '$dir/a16.png'"
check "icotool extracts the 32 x 32 entry with our pixels" "same_pixels '$dir/x/mine_2_32x32x32.png' '$dir/a32.png'"
check "identify reads both entries" "[ \"\$(identify -format '%wx%h;' '$dir/mine.ico')\" = '16x16;32x32;' ]"
check "ImageMagick reads our pixels" "same_pixels '$dir/mine.ico[0]' '$dir/a16.png' && same_pixels '$dir/mine.ico[1]' '$dir/a32.png'"

"$tool" icon-write --cursor "$dir/mine.cur" "$dir/a16.bmp:3,5" "$dir/a32.bmp:31,0" "$dir/c8.bmp"
check "icon-write --cursor makes a pointer file" "[ \$? -eq 0 ]"
icotool -l "$dir/mine.cur" >"$dir/list.txt" 2>&1
check "icotool lists our pointer file with its hot spots" "diff -u - '$dir/list.txt' <<'EOF'
--cursor --index=1 --width=16 --height=16 --bit-depth=32 --palette-size=0 --hotspot-x=3 --hotspot-y=5
--cursor --index=2 --width=32 --height=32 --bit-depth=32 --palette-size=0 --hotspot-x=31 --hotspot-y=0
--cursor --index=3 --width=8 --height=8 --bit-depth=32 --palette-size=0 --hotspot-x=0 --hotspot-y=0
EOF"
mkdir "$dir/xc"
icotool -x -o "$dir/xc" "$dir/mine.cur"
check "icotool extracts the pointer's 8 x 8 entry with our pixels" "same_pixels '$dir/xc/mine_3_8x8x32.png' '$dir/c8.png'"

# Our own reading of our files.
"$tool" icon-info "$dir/mine.cur" >"$dir/info.txt"
check "icon-info reads our pointer file" "diff -u - '$dir/info.txt' <<'EOF'
directory 3 cursor
0 usable=1 png=0 width=16 height=16 bits=32 hotspot=3,5
1 usable=1 png=0 width=32 height=32 bits=32 hotspot=31,0
2 usable=1 png=0 width=8 height=8 bits=32 hotspot=0,0
EOF"

# --- Files icotool makes, read here.
icotool -c -o "$dir/peer.ico" "$dir/a16.png" "$dir/a32.png" "$dir/c8.png"
icotool -l "$dir/peer.ico" >"$dir/peerlist.txt"
"$tool" icon-info "$dir/peer.ico" >"$dir/info.txt"
check "icon-info: the directory of icotool's icon" "[ \"\$(head -1 '$dir/info.txt')\" = 'directory 3 icon' ]"
# Each of our lines against icotool's: sizes and depths, no PNG, no hot spot.
awk '{ for (i = 1; i <= NF; i++) { split($i, kv, "="); f[kv[1]] = kv[2] }
       printf "%d usable=1 png=0 width=%s height=%s bits=%s hotspot=0,0\n", f["--index"] - 1, f["--width"], f["--height"], f["--bit-depth"] }' \
  "$dir/peerlist.txt" >"$dir/want.txt"
check "icon-info: sizes and depths as icotool lists them" "tail -n +2 '$dir/info.txt' | diff -u '$dir/want.txt' -"
check "icotool chose more than one depth" "[ \$(cut -d' ' -f6 '$dir/info.txt' | sort -u | wc -l) -ge 2 ]"
i=0
for n in a16 a32 c8; do
  "$tool" icon-extract "$dir/peer.ico" $i "$dir/peer$i.bmp"
  # icotool masks alpha up to 127 by default; a masked pixel is fully transparent here.
  check "icon-extract entry $i ($n) matches the picture" "same_pixels '$dir/peer$i.bmp' '$dir/$n.png' 127"
  i=$((i + 1))
done
icotool -c -t 0 -o "$dir/peer0.ico" "$dir/a16.png"
"$tool" icon-extract "$dir/peer0.ico" 0 "$dir/peert.bmp"
check "icon-extract keeps partial alpha when only alpha 0 is masked" "same_pixels '$dir/peert.bmp' '$dir/a16.png'"

icotool -c --cursor --hotspot-x=3 --hotspot-y=5 -o "$dir/peer.cur" "$dir/a16.png" "$dir/c8.png"
"$tool" icon-info "$dir/peer.cur" >"$dir/info.txt"
check "icon-info: icotool's pointer file and its hot spots" "[ \"\$(head -1 '$dir/info.txt')\" = 'directory 2 cursor' ] &&
  grep -q '^0 usable=1 png=0 width=16 height=16 bits=32 hotspot=3,5$' '$dir/info.txt' &&
  grep -q '^1 usable=1 png=0 width=8 height=8 bits=[0-9]* hotspot=3,5$' '$dir/info.txt'"
"$tool" icon-extract "$dir/peer.cur" 1 "$dir/peerc.bmp"
check "icon-extract: the pointer's 8 x 8 entry" "same_pixels '$dir/peerc.bmp' '$dir/c8.png' 127"

icotool -c -o "$dir/raw.ico" "$dir/a16.png" -r "$dir/big.png"
"$tool" icon-info "$dir/raw.ico" >"$dir/info.txt"
check "icon-info: a PNG entry of 256 x 256" "grep -q '^1 usable=1 png=1 width=256 height=256 bits=32 hotspot=0,0$' '$dir/info.txt' &&
  grep -q '^0 usable=1 png=0 width=16 height=16 bits=32 hotspot=0,0$' '$dir/info.txt'"
"$tool" icon-extract "$dir/raw.ico" 1 "$dir/none.bmp" 2>"$dir/err.txt"
rc=$?
check "icon-extract refuses a PNG entry with exit 3" "[ $rc -eq 3 ] && grep -q 'PNG entry' '$dir/err.txt' && [ ! -e '$dir/none.bmp' ]"
"$tool" icon-extract "$dir/raw.ico" 0 "$dir/raw0.bmp"
check "icon-extract: the bitmap entry next to it" "same_pixels '$dir/raw0.bmp' '$dir/a16.png' 127"

# --- Bad input: a message and a non-zero exit, never a crash.
"$tool" icon-write "$dir/x.ico" "$dir/big.bmp" 2>"$dir/err.txt"
rc=$?
check "icon-write refuses 256 x 256" "[ $rc -ne 0 ] && [ $rc -lt 128 ] && grep -q 'too large' '$dir/err.txt'"
"$tool" icon-write "$dir/x.ico" "$dir/a16.bmp:1,2" 2>"$dir/err.txt"
rc=$?
check "icon-write refuses a hot spot without --cursor" "[ $rc -ne 0 ] && [ $rc -lt 128 ] && [ -s '$dir/err.txt' ]"
"$tool" icon-write "$dir/x.ico" "$dir/none.bmp" 2>"$dir/err.txt"
rc=$?
check "icon-write refuses a missing file" "[ $rc -ne 0 ] && [ $rc -lt 128 ] && grep -q 'none.bmp' '$dir/err.txt'"
"$tool" icon-info "$dir/a16.png" 2>"$dir/err.txt"
rc=$?
check "icon-info refuses a PNG file" "[ $rc -ne 0 ] && [ $rc -lt 128 ] && [ -s '$dir/err.txt' ]"
size=$(stat -c %s "$dir/peer.ico")
head -c $((size - 5)) "$dir/peer.ico" >"$dir/cut.ico"
"$tool" icon-info "$dir/cut.ico" >"$dir/info.txt"
rc=$?
check "icon-info on a cut file marks the last entry unusable" "[ $rc -eq 0 ] && grep -q '^2 usable=0' '$dir/info.txt' && grep -q '^0 usable=1' '$dir/info.txt'"
"$tool" icon-extract "$dir/cut.ico" 2 "$dir/cut.bmp" 2>"$dir/err.txt"
rc=$?
check "icon-extract refuses the cut entry" "[ $rc -eq 1 ] && grep -q 'cannot be loaded' '$dir/err.txt'"
"$tool" icon-extract "$dir/peer.ico" 7 "$dir/x.bmp" 2>/dev/null
rc=$?
check "icon-extract refuses an index past the end" "[ $rc -ne 0 ] && [ $rc -lt 128 ]"
exit $fail
