#!/usr/bin/env bash
# Times whole-picture commands inside the running editor on a 6000 × 3750 JPEG photograph (the
# bench's photograph scaled up, about 24 megapixels), against a plain copy of its bytes.
set -u
bench=$1
dir=${2:-build/bench/images}
mkdir -p "$dir"

. "$(dirname "$0")/bench-common.sh"
make_photo || exit 1
large="$dir/photo-6000x3750.jpg"
[ -s "$large" ] || convert "$photo" -resize '6000x3750!' -quality 92 "$large" || { echo "bench: cannot make $large" >&2; exit 1; }
smaller="$dir/photo-2560x1600.jpg"
[ -s "$smaller" ] || convert "$photo" -resize '2560x1600!' -quality 92 "$smaller" || { echo "bench: cannot make $smaller" >&2; exit 1; }
"$(dirname "$0")/wine-run.sh" "$bench" "$large" "$smaller"
