# Shared by the icon and pointer peer checks (sourced). Needs $dir (a scratch folder) and $fail.

check() { if ! eval "$2"; then echo "FAILED: $1"; fail=1; else echo "ok: $1"; fi; }

# The pixels of a picture, one "x,y: #RRGGBBAA" a line; alpha at or below $2 (default 0) is
# written as "transparent" whatever the colour.
pixels() {
  convert "$1" -alpha set -colorspace sRGB -depth 8 txt:- | awk -v t="${2:-0}" '
    function hex(s,   i, v) { v = 0; for (i = 1; i <= length(s); i++) v = v * 16 + index("0123456789ABCDEF", toupper(substr(s, i, 1))) - 1; return v }
    NR > 1 {
      h = $3
      if (length(h) == 7) h = h "FF"
      if (hex(substr(h, 8, 2)) <= t) print $1, "transparent"; else print $1, toupper(h)
    }'
}
same_pixels() {  # picture, reference, threshold for the reference
  pixels "$1" 0 >"$dir/got.txt" && pixels "$2" "${3:-0}" >"$dir/want.txt" && [ -s "$dir/want.txt" ] &&
    diff -q "$dir/got.txt" "$dir/want.txt" >/dev/null
}
