#!/usr/bin/env bash
# Times mirelo-tool's quarter turn against ImageMagick's -rotate 90, as whole processes on the
# same 4096 × 4096 24-bit plasma in the same run (each figure the best of three), and checks that
# both give the same pixels.
set -u
tool=$1
dir=${2:-build/bench/images}
mkdir -p "$dir"

. "$(dirname "$0")/bench-common.sh"
make_plasma || exit 1

ours="$dir/plasma-4096-mirelo-rotate3.bmp" theirs="$dir/plasma-4096-magick-rotate90.bmp"
echo "plasma-4096 ($(identify -format '%w x %h, %z bits per channel' "$plasma" 2>/dev/null)), quarter turn clockwise"
magick=$(best convert "$plasma" -rotate 90 "BMP3:$theirs") || { echo "ImageMagick failed"; exit 1; }
printf '  %-46s %8.3f s\n' "ImageMagick -rotate 90" "$magick"
t=$(best "$tool" rotate --kind 3 "$plasma" "$ours") || { echo "mirelo-tool rotate failed"; exit 1; }
printf '  %-46s %8.3f s   ratio to ImageMagick %.2f\n' "mirelo-tool rotate --kind 3" "$t" "$(echo "$t / $magick" | bc -l)"
differing=$(compare -metric AE "$ours" "$theirs" null: 2>&1)
if [ "$differing" != 0 ]; then
  echo "  the two results differ in $differing pixels"
  exit 1
fi
echo "  same pixels"
