#!/usr/bin/env bash
# Runs one fuzz target for a given number of seconds, seeded from the
# repository's fixtures and, when present, the shared public test pictures.
# Installs clang when it is missing and builds the fuzz preset first.
# Usage: fuzz/run.sh bmp|jpeg|png|view SECONDS
set -euo pipefail
target=$1
seconds=${2:-600}
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh" fuzz
(cd "$root" && cmake --preset fuzz >/dev/null && cmake --build --preset fuzz)
build=$root/build/fuzz
corpus=$root/fuzz/corpus-$target
seeds=$(mktemp -d)
trap 'rm -rf "$seeds"' EXIT
mkdir -p "$corpus"

kinds=$target
[ "$target" = view ] && kinds="bmp jpeg"
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
"$build/fuzz/${target}_fuzzer" "$corpus" "$seeds" -max_total_time="$seconds" \
  -rss_limit_mb=4096 -timeout=20 -print_final_stats=1
