#!/usr/bin/env bash
# Runs one fuzz target for a given number of seconds, seeded from the
# repository's fixtures and, when present, the shared public test pictures.
# Installs clang when it is missing and builds the fuzz preset first.
# profile: a colour profile's bytes; colourtext: the colour text reader;
# qtimage: the pictures Qt's readers decode (the fuzz preset with the
# window: cmake --preset fuzz -DIROCHI_GUI=ON).
# Usage: fuzz/run.sh bmp|jpeg|png|view|profile|colourtext|qtimage SECONDS
set -euo pipefail
target=$1
seconds=${2:-600}
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh" fuzz
gui=OFF
[ "$target" = qtimage ] && gui=ON
(cd "$root" && cmake --preset fuzz -DIROCHI_GUI=$gui >/dev/null && cmake --build --preset fuzz)
build=$root/build/fuzz
corpus=$root/fuzz/corpus-$target
seeds=$(mktemp -d)
trap 'rm -rf "$seeds"' EXIT
mkdir -p "$corpus"

kinds=$target
[ "$target" = view ] && kinds="bmp jpeg"
[ "$target" = qtimage ] && kinds="gif webp tiff"
if [ "$target" = profile ]; then
  kinds=""
  "$build/fuzz/make_icc_seeds" "$seeds"
fi
if [ "$target" = colourtext ]; then
  kinds=""
  i=0
  for text in '#3A5B40' 'rgb(58 91 64)' 'hsl(129.2 22.1% 29.2%)' 'lab(34.98 -16.37 9.9)' \
    'oklch(0.4294 0.0572 150)' 'color(display-p3 0.238 0.354 0.256)' 'teal' 'RGB(58, 91, 64)' \
    '4217658' 'rgba(1,2,3,.5)' 'color(xyz-d50 0.1 0.2 0.3)' 'hwb(129.2 25.1% 64.3%)'; do
    printf '%s' "$text" >"$seeds/text$i"
    i=$((i + 1))
  done
fi
for kind in $kinds; do
  ext=$kind
  [ "$kind" = jpeg ] && ext=jpg
  find "$root/tests/data" -name "*.$ext" -exec cp {} "$seeds/" \;
  [ "$kind" = bmp ] && { "$build/fuzz/make_bmp_seeds" "$seeds" >/dev/null 2>&1 || true; }
  shared=$root/../shared/testdata/$kind
  if [ -d "$shared" ]; then
    find "$shared" -type f -size -200k ! -name '*.md' ! -name '*.tsv' ! -name '*.txt' \
      -exec sh -c 'cp "$1" "$2/$(echo "$1" | sha1sum | cut -c1-12)"' _ {} "$seeds" \;
  fi
done
[ "$target" = bmp ] && rm -f "$seeds"/*.jpg

cd "$root/fuzz"
QT_QPA_PLATFORM=offscreen "$build/fuzz/${target}_fuzzer" "$corpus" "$seeds" -max_total_time="$seconds" \
  -rss_limit_mb=4096 -timeout=20 -print_final_stats=1
