#!/usr/bin/env bash
# Times the fill tool's area fill of a flat 4096 × 4096 picture from its centre: mirelo-tool fill
# against ImageMagick's floodfill as whole processes in the same run (each the best of three, and
# both must give the same pixels), then the core's fill beside a plain copy in process, and the
# magic wand on a 1280 × 1280 region of the photograph.
set -u
tool=$1
bench=$2
dir=${3:-build/bench/images}
mkdir -p "$dir"

. "$(dirname "$0")/bench-common.sh"

flat="$dir/flat-4096.bmp"
[ -s "$flat" ] || convert -size 4096x4096 xc:'#336699' -type TrueColor "BMP3:$flat" || exit 1
ours="$dir/flat-4096-mirelo-fill.bmp" theirs="$dir/flat-4096-magick-fill.bmp"
echo "flat-4096 (4096 x 4096, 24 bits), area fill from the centre"
magick=$(best convert "$flat" -fill red -draw 'color 2048,2048 floodfill' "$theirs") || { echo "ImageMagick failed"; exit 1; }
printf '  %-58s %8.3f s\n' "convert -fill red -draw 'color 2048,2048 floodfill'" "$magick"
t=$(best "$tool" fill --mode 0 --at 2048,2048 --colour FFFF0000 --tolerance 0,0,0,0 "$flat" "$ours") ||
  { echo "mirelo-tool fill failed"; exit 1; }
printf '  %-58s %8.3f s   ratio to ImageMagick %.2f\n' "mirelo-tool fill --mode 0" "$t" "$(echo "$t / $magick" | bc -l)"
differing=$(compare -metric AE "$ours" "$theirs" null: 2>&1)
if [ "$differing" != 0 ]; then
  echo "  the two results differ in $differing pixels"
  exit 1
fi
echo "  same pixels"
"$bench" --benchmark_filter='CopyFlatImage|AreaFillFlatImage'

# The wand on the middle 1280 × 1280 of the photograph (the largest square it accepts).
if make_photo; then
  region="$dir/photo-1280.bmp"
  [ -s "$region" ] || convert "$photo" -gravity center -crop 1280x1280+0+0 +repage -alpha on -define bmp:format=bmp4 \
    "BMP:$region" || exit 1
  MIRELO_BENCH_WAND_BMP=$region "$bench" --benchmark_filter='WandOnPhotograph'
  t=$(best "$tool" wand --at 640,640 --tolerance 0,30,30,30 "$region")
  printf '  %-58s %8.3f s (whole process)\n' "mirelo-tool wand --at 640,640 --tolerance 0,30,30,30" "$t"
fi
