#!/usr/bin/env bash
# Times mirelo-tool's indexed conversion against ImageMagick on one 4096 × 4096 test image,
# as whole processes on the same file in the same run.
set -u
tool=$1
dir=${2:-build/bench/images}
mkdir -p "$dir"
in="$dir/plasma-4096.bmp"
if [ ! -s "$in" ]; then
  convert -seed 1 -size 4096x4096 plasma:fractal -type TrueColor "BMP3:$in" || exit 1
fi
seconds() { local s e; s=$(date +%s.%N); "$@" >/dev/null 2>&1 || return 1; e=$(date +%s.%N); echo "$e - $s" | bc; }
magick=$(seconds convert "$in" -dither FloydSteinberg -colors 256 "BMP3:$dir/magick-256.bmp") || { echo "ImageMagick failed"; exit 1; }
printf '%-46s %8.2f s\n' "ImageMagick -dither FloydSteinberg -colors 256" "$magick"
for mode in 12 9 1; do
  t=$(seconds "$tool" quantize --mode $mode --dither "$in" "$dir/mirelo-$mode.bmp") || { echo "mirelo-tool mode $mode failed"; exit 1; }
  printf '%-46s %8.2f s   ratio to ImageMagick %.2f\n' "mirelo-tool quantize --mode $mode --dither" "$t" "$(echo "$t / $magick" | bc -l)"
done
