#!/usr/bin/env bash
# Times mirelo-tool's effects against ImageMagick's nearest operation, as whole processes on the
# same file in the same run (best of three each), on the 4096 × 4096 plasma and the 3840 × 2160
# photograph that tools/bench-quantize.sh makes. Effects without a counterpart are timed alone.
set -u
tool=$1
dir=${2:-build/bench/images}
. "$(dirname "$0")/bench-common.sh"
images=("$plasma" "$photo")
for in in "${images[@]}"; do
  if [ ! -s "$in" ]; then
    echo "bench-effects: $in is missing (tools/bench-quantize.sh makes it)" >&2
    exit 1
  fi
done

# One run's seconds; the output file (the last argument) is removed first, so that no run pays
# for truncating the previous one's.
seconds() {
  local s e out=${*: -1}
  rm -f "${out#BMP:}"
  s=$(date +%s.%N)
  "$@" >/dev/null 2>&1 || return 1
  e=$(date +%s.%N)
  echo "$e - $s" | bc
}

blur3='3x3: 1,1,1 1,4,1 1,1,1'
blur5='5x5: 1,1,1,1,1 1,2,2,2,1 1,2,8,2,1 1,2,2,2,1 1,1,1,1,1'
sharpen3='3x3: 0,-1,0 -1,5,-1 0,-1,0'
sharpen5='5x5: 0,0,-1,0,0 0,0,-1,0,0 -1,-1,9,-1,-1 0,0,-1,0,0 0,0,-1,0,0'
emboss='3x3: -1,-1,1 -1,0,1 -1,1,1'
# effect value | ImageMagick operation (empty: none)
cases=(
  "0 150|-evaluate add 49.8%"
  "1 150|-brightness-contrast 0x50"
  "2 70|-gamma 0.3333"
  "3 400|-modulate 100,157"
  "4 1|-negate"
  "4 6|-colorspace Gray"
  "5 2|-solarize 50%"
  "6 31|-posterize 8"
  "7 1|-alpha copy"
  "8 7|-scale 12.5% -scale 800%"
  "9 1|-define convolve:scale=0.083333 -morphology Convolve blur3"
  "9 2|-define convolve:scale=0.025 -morphology Convolve blur5"
  "10 2|-alpha set -channel A -define convolve:scale=0.025 -morphology Convolve blur5"
  "11 1|-morphology Convolve sharpen3"
  "11 2|-morphology Convolve sharpen5"
  "12 2|-edge 1"
  "13 2|-define convolve:scale=0.25 -define convolve:bias=50% -morphology Convolve emboss"
  "14 30|-attenuate 0.3 +noise Impulse"
  "15 1|-statistic Median 3x3"
  "16 100|-modulate 100,100,150"
  "17 1|"
  "18 2|"
  "19 7|-ordered-dither o4x4"
  "20 7|-ordered-dither h6x6o"
  "21 50|-threshold 50%"
  "22 50|-dither FloydSteinberg -monochrome"
)

slower=0
for in in "${images[@]}"; do
  name=$(basename "$in" .bmp)
  echo "$name ($(identify -format '%w x %h' "$in" 2>/dev/null)): mirelo-tool effect against ImageMagick $(convert -version | sed -n '1s/Version: ImageMagick \([^ ]*\).*/\1/p')"
  printf '  %-10s %9s   %-66s %9s %7s\n' "effect" "mirelo" "ImageMagick" "" "ratio"
  for c in "${cases[@]}"; do
    args=${c%%|*}
    op=${c#*|}
    set -- $args
    t=$(best "$tool" effect --effect "$1" --value "$2" --seed 1 "$in" "$dir/$name-effect.bmp") || { echo "mirelo-tool effect $args failed"; exit 1; }
    if [ -z "$op" ]; then
      printf '  %-10s %8.3fs   %-66s %9s %7s\n' "$1 / $2" "$t" "(none)" "" ""
      continue
    fi
    # Kernel names stand for the kernels above (kept apart for the quoting).
    words=()
    for word in $op; do
      case $word in
        blur3) words+=("$blur3") ;; blur5) words+=("$blur5") ;; sharpen3) words+=("$sharpen3") ;;
        sharpen5) words+=("$sharpen5") ;; emboss) words+=("$emboss") ;; *) words+=("$word") ;;
      esac
    done
    m=$(best convert "$in" "${words[@]}" "BMP:$dir/$name-magick.bmp") || { echo "ImageMagick $op failed"; exit 1; }
    ratio=$(echo "$t / $m" | bc -l)
    mark=""
    if [ "$(echo "$ratio > 0.5" | bc)" = 1 ]; then mark=" (over half)"; slower=$((slower + 1)); fi
    printf '  %-10s %8.3fs   %-66s %8.3fs %7.2f%s\n' "$1 / $2" "$t" "$op" "$m" "$ratio" "$mark"
  done
done
rm -f "$dir"/*-effect.bmp "$dir"/*-magick.bmp
echo "effects over half of ImageMagick's time: $slower"
