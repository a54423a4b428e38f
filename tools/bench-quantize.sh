#!/usr/bin/env bash
# Times mirelo-tool's indexed conversion against ImageMagick, as whole processes on the same file
# in the same run, on two images: a generated 4096 × 4096 plasma and a 3840 × 2160 photograph
# (a painting photographed, about 376,000 colours) taken from Debian's mate-backgrounds package
# at run time. Each figure is the best of three runs.
set -u
tool=$1
dir=${2:-build/bench/images}
mkdir -p "$dir"

. "$(dirname "$0")/bench-common.sh"
make_plasma || exit 1
make_photo || exit 1

for in in "$plasma" "$photo"; do
  name=$(basename "$in" .bmp)
  echo "$name ($(identify -format '%w x %h, %k colours' "$in" 2>/dev/null))"
  magick=$(best convert "$in" -dither FloydSteinberg -colors 256 "BMP3:$dir/$name-magick-256.bmp") || { echo "ImageMagick failed"; exit 1; }
  printf '  %-46s %8.3f s\n' "ImageMagick -dither FloydSteinberg -colors 256" "$magick"
  for mode in 12 9 1; do
    t=$(best "$tool" quantize --mode $mode --dither "$in" "$dir/$name-mirelo-$mode.bmp") || { echo "mirelo-tool mode $mode failed"; exit 1; }
    printf '  %-46s %8.3f s   ratio to ImageMagick %.2f\n' "mirelo-tool quantize --mode $mode --dither" "$t" "$(echo "$t / $magick" | bc -l)"
  done
done
