# Shared by the bench scripts (sourced): the two pictures they time on, and the timing helpers.
# Needs $dir, the folder of the pictures.

plasma="$dir/plasma-4096.bmp"
photo="$dir/photo-3840.bmp"

# The generated 4096 × 4096 plasma.
make_plasma() {
  [ -s "$plasma" ] || convert -seed 1 -size 4096x4096 plasma:fractal -type TrueColor "BMP3:$plasma"
}

# The 3840 × 2160 photograph (a painting photographed, about 376,000 colours) from Debian's
# mate-backgrounds package, fetched at run time.
make_photo() {
  [ -s "$photo" ] && return 0
  local package=mate-backgrounds jpeg=usr/share/backgrounds/mate/abstract/Elephants_3840x2160.jpg
  rm -rf "${dir:?}/$package" "$dir"/${package}_*.deb
  if ! (cd "$dir" && apt-get download "$package" >/dev/null 2>&1); then
    echo "bench: cannot download the Debian package $package for the photograph" >&2
    echo "  (is a package source reachable? 'apt-get update' may be needed first)" >&2
    return 1
  fi
  if ! dpkg-deb -x "$dir"/${package}_*.deb "$dir/$package" || [ ! -s "$dir/$package/$jpeg" ]; then
    echo "bench: $package has no $jpeg" >&2
    return 1
  fi
  convert "$dir/$package/$jpeg" -type TrueColor "BMP3:$photo" || { echo "bench: cannot convert $jpeg" >&2; return 1; }
}

# One run's seconds (a script may define its own before calling best).
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
