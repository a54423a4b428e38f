#!/usr/bin/env bash
# The editor's icon and pointer files against icotool (icoutils) and ImageMagick, both ways:
# files the peers make must open in the editor with the right sizes, depths, masks and hot
# spots; files the editor writes must list, extract and identify right with the peers.
# Usage: icon_peer_test.sh <mirelo_win_tests.exe>   (runs its IconPeer tests under Wine)
set -u
exe=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
for p in icotool convert identify; do
  command -v "$p" >/dev/null || { echo "FAILED: $p is not installed (apt-get install icoutils imagemagick)"; exit 1; }
done
[ -f "$exe" ] || { echo "FAILED: no test program at $exe"; exit 1; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail=0
source "$root/tests/tool/icon_peer_lib.sh"

# --- Pictures (PNG without gamma or colour chunks, so that every decoder gives the same bytes):
# 16 x 16 with a transparent 4 x 4 corner, a half-transparent column and one pixel of alpha 64;
# 32 x 32 with a transparent corner over a gradient; 8 x 8 of four colours with one transparent
# pixel; 8 x 8 black and white with one transparent pixel; 256 x 256 with transparent columns.
plain="-define png:exclude-chunk=gAMA,cHRM,bKGD,tIME,tEXt,zTXt,iTXt,date"
convert -size 16x16 gradient:'rgb(200,30,10)'-'rgb(20,90,240)' -alpha set -channel A \
  -fx "i<4&&j<4?0:(i==8?128/255:(i==12&&j==12?64/255:1))" +channel -depth 8 $plain "PNG32:$dir/a16.png"
convert -size 32x32 gradient:yellow-'rgb(0,100,0)' -alpha set -channel A -fx "i<5&&j<5?0:1" +channel -depth 8 $plain "PNG32:$dir/a32.png"
convert -size 8x8 xc:white -fill 'rgb(255,0,0)' -draw "rectangle 0,0 3,3" -fill 'rgb(0,0,255)' -draw "rectangle 4,4 7,7" \
  -fill black -draw "point 6,1" -alpha set -channel A -fx "i==7&&j==0?0:1" +channel -depth 8 $plain "PNG32:$dir/c8.png"
convert -size 8x8 xc:white -fill black -draw "rectangle 0,0 3,7" -fill white -draw "point 1,1" -fill black -draw "point 6,2" \
  -alpha set -channel A -fx "i==7&&j==0?0:1" +channel -depth 8 $plain "PNG32:$dir/bw8.png"
convert -size 256x256 gradient:red-blue -alpha set -channel A -fx "i<10?0:1" +channel -depth 8 $plain "PNG32:$dir/big.png"

# --- The peers' files.
icotool -c -o "$dir/peer.ico" "$dir/a16.png" "$dir/a32.png" "$dir/c8.png"
icotool -c --cursor --hotspot-x=3 --hotspot-y=5 -o "$dir/peer.cur" "$dir/a16.png" "$dir/c8.png"
icotool -c -o "$dir/raw.ico" "$dir/a16.png" -r "$dir/big.png"
convert "$dir/a16.png" "$dir/c8.png" "$dir/big.png" "$dir/magick.ico"
check "icotool chose several depths" "[ \$(icotool -l '$dir/peer.ico' | grep -o 'bit-depth=[0-9]*' | sort -u | wc -l) -ge 3 ]"

# What the editor must find in them, one entry a line: file, slot name (from the depths icotool
# lists), hot spot, reference picture, and the alpha up to which the maker masked a pixel
# (icotool masks alpha up to 127 by default; -1 for PNG entries, compared as they are).
expect() {  # file threshold-for-bitmap-entries reference...
  local file=$1 threshold=$2
  shift 2
  icotool -l "$dir/$file" | while read -r line; do
    local w h bits hx=0 hy=0 t=$threshold
    for field in $line; do
      case $field in
        --width=*) w=${field#*=} ;;
        --height=*) h=${field#*=} ;;
        --bit-depth=*) bits=${field#*=} ;;
        --hotspot-x=*) hx=${field#*=} ;;
        --hotspot-y=*) hy=${field#*=} ;;
      esac
    done
    [ "$w" -ge 256 ] && t=-1
    echo "$file $file-${bits}bpp-${w}x${h} $hx $hy $1 $t"
    shift
  done
}
{
  expect peer.ico 127 a16.png a32.png c8.png
  expect peer.cur 127 a16.png c8.png
  expect raw.ico 127 a16.png big.png
  expect magick.ico 0 a16.png c8.png big.png
} >"$dir/expect-open.txt"
check "expectations for 10 entries" "[ \$(wc -l <'$dir/expect-open.txt') -eq 10 ]"

# --- The editor: opens the peers' files, writes mine.ico and mine.cur.
winedir="Z:$(printf '%s' "$dir" | tr / '\\')"
MIRELO_ICON_PEER_DIR="$winedir" "$root/tools/wine-run.sh" "$exe" --gtest_filter='IconPeer*' >"$dir/run.txt" 2>&1
rc=$?
check "the IconPeer tests pass under Wine" "[ $rc -eq 0 ] && grep -q 'PASSED.* 2 tests' '$dir/run.txt' && ! grep -q SKIPPED '$dir/run.txt'"
[ $rc -eq 0 ] || sed -n '/Failure\|FAILED\|SKIPPED/,+6p' "$dir/run.txt" | head -60

# --- The editor's files, read by the peers.
icotool -l "$dir/mine.ico" >"$dir/list.txt" 2>&1
check "icotool lists the editor's icon" "diff -u - '$dir/list.txt' <<'EOF'
--icon --index=1 --width=16 --height=16 --bit-depth=32 --palette-size=0
--icon --index=2 --width=32 --height=32 --bit-depth=32 --palette-size=0
--icon --index=3 --width=256 --height=256 --bit-depth=32 --palette-size=0
EOF"
mkdir "$dir/x"
icotool -x -o "$dir/x" "$dir/mine.ico"
check "icotool extracts the 16 x 16 entry with its pixels" "same_pixels '$dir/x/mine_1_16x16x32.png' '$dir/a16.png'"
check "icotool extracts the 32 x 32 entry with its pixels" "same_pixels '$dir/x/mine_2_32x32x32.png' '$dir/a32.png'"
check "icotool extracts the 256 x 256 PNG entry with its pixels" "same_pixels '$dir/x/mine_3_256x256x32.png' '$dir/big.png'"
check "identify reads the three entries" "[ \"\$(identify -format '%wx%h;' '$dir/mine.ico')\" = '16x16;32x32;256x256;' ]"
check "ImageMagick reads the icon's pixels" "same_pixels '$dir/mine.ico[0]' '$dir/a16.png' && same_pixels '$dir/mine.ico[1]' '$dir/a32.png' && same_pixels '$dir/mine.ico[2]' '$dir/big.png'"

icotool -l "$dir/mine.cur" >"$dir/list.txt" 2>&1
check "icotool lists the editor's pointer file with its hot spots" "diff -u - '$dir/list.txt' <<'EOF'
--cursor --index=1 --width=16 --height=16 --bit-depth=32 --palette-size=0 --hotspot-x=3 --hotspot-y=5
--cursor --index=2 --width=8 --height=8 --bit-depth=1 --palette-size=2 --hotspot-x=7 --hotspot-y=0
EOF"
mkdir "$dir/xc"
icotool -x -o "$dir/xc" "$dir/mine.cur"
check "icotool extracts the pointer's 32-bit entry" "same_pixels '$dir/xc/mine_1_16x16x32.png' '$dir/a16.png'"
check "icotool extracts the pointer's 1-bit entry" "same_pixels '$dir/xc/mine_2_8x8x1.png' '$dir/bw8.png'"
check "identify reads the pointer file" "[ \"\$(identify -format '%wx%h;' '$dir/mine.cur')\" = '16x16;8x8;' ]"
check "ImageMagick reads the pointer's 1-bit entry" "same_pixels '$dir/mine.cur[1]' '$dir/bw8.png'"
exit $fail
