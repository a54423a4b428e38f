#!/usr/bin/env bash
# Times mirelo-tool's indexed conversion against ImageMagick, as whole processes on the same file
# in the same run, on two images: a generated 4096 × 4096 plasma and a 3840 × 2160 photograph
# (a painting photographed, about 376,000 colours) taken from Debian's mate-backgrounds package
# at run time. Each figure is the best of three runs.
set -u
tool=$1
dir=${2:-build/bench/images}
mkdir -p "$dir"

plasma="$dir/plasma-4096.bmp"
if [ ! -s "$plasma" ]; then
  convert -seed 1 -size 4096x4096 plasma:fractal -type TrueColor "BMP3:$plasma" || exit 1
fi

photo="$dir/photo-3840.bmp"
if [ ! -s "$photo" ]; then
  package=mate-backgrounds
  jpeg=usr/share/backgrounds/mate/abstract/Elephants_3840x2160.jpg
  rm -rf "$dir/$package" "$dir"/${package}_*.deb
  if ! (cd "$dir" && apt-get download "$package" >/dev/null 2>&1); then
    echo "bench-quantize: cannot download the Debian package $package for the photograph" >&2
    echo "  (is a package source reachable? 'apt-get update' may be needed first)" >&2
    exit 1
  fi
  if ! dpkg-deb -x "$dir"/${package}_*.deb "$dir/$package" || [ ! -s "$dir/$package/$jpeg" ]; then
    echo "bench-quantize: $package has no $jpeg" >&2
    exit 1
  fi
  convert "$dir/$package/$jpeg" -type TrueColor "BMP3:$photo" || { echo "bench-quantize: cannot convert $jpeg" >&2; exit 1; }
fi

seconds() { local s e; s=$(date +%s.%N); "$@" >/dev/null 2>&1 || return 1; e=$(date +%s.%N); echo "$e - $s" | bc; }
# Least of three timings.
best() {
  local b="" t
  for _ in 1 2 3; do
    t=$(seconds "$@") || return 1
    if [ -z "$b" ] || [ "$(echo "$t < $b" | bc)" = 1 ]; then b=$t; fi
  done
  echo "$b"
}

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
