#!/usr/bin/env bash
# Builds the release files: build/dist/Mirelo-<version>.zip (the program, its help file mirelo.chm,
# the Japanese and English read-me and the licence) and build/dist/Mirelo-<version>.msi, a per-user installer made with
# wixl (msitools) from dist/mirelo.wxs.in.
# Usage: make-dist.sh <Mirelo.exe> <version> <output directory>
set -eu
exe=$1
version=$2
out=$3
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
help="$(dirname "$exe")/mirelo.chm"
[ -s "$help" ] || { echo "the help file $help is missing (cmake --build build/win --target mirelo_help)"; exit 1; }
command -v wixl >/dev/null || { echo "wixl is missing (apt-get install wixl)"; exit 1; }
mkdir -p "$out"
out=$(cd "$out" && pwd)
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

# Text files as Windows editors expect them: CRLF line ends, the Japanese one with a UTF-8 mark.
windows_text() { sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' "$1"; }
cp "$exe" "$stage/Mirelo.exe"
cp "$help" "$stage/mirelo.chm"
{ printf '\xEF\xBB\xBF'; windows_text "$root/dist/README-ja.txt"; } >"$stage/README-ja.txt"
windows_text "$root/dist/README-en.txt" >"$stage/README-en.txt"
windows_text "$root/LICENSE" >"$stage/LICENSE.txt"

# An MSI version has three numbers.
msi_version=$version
while [ "$(tr -cd . <<<"$msi_version" | wc -c)" -lt 2 ]; do msi_version=$msi_version.0; done
sed -e "s/@VERSION@/$version/g" -e "s/@MSI_VERSION@/$msi_version/g" -e 's/@MIRELO_EXE@/Mirelo.exe/g' -e 's/@HELP@/mirelo.chm/g' \
  -e 's/@README_JA@/README-ja.txt/g' -e 's/@README_EN@/README-en.txt/g' -e 's/@LICENCE@/LICENSE.txt/g' \
  "$root/dist/mirelo.wxs.in" >"$stage/mirelo.wxs"
# wixl takes its sources relative to the working directory.
(cd "$stage" && wixl -o "$out/Mirelo-$version.msi" mirelo.wxs)

zip_dir="$stage/Mirelo-$version"
mkdir "$zip_dir"
cp "$stage/Mirelo.exe" "$stage/mirelo.chm" "$stage/README-ja.txt" "$stage/README-en.txt" "$stage/LICENSE.txt" "$zip_dir/"
rm -f "$out/Mirelo-$version.zip"
(cd "$stage" && cmake -E tar cf "$out/Mirelo-$version.zip" --format=zip "Mirelo-$version")
echo "$out/Mirelo-$version.zip"
echo "$out/Mirelo-$version.msi"
