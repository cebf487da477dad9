#!/usr/bin/env bash
# The set-up in proportion: the packages scripts/run.sh installs are enough to
# configure the release preset, which asks for no test tool (GoogleTest and
# Google Benchmark made unfindable, no test configured); and debian/control's
# Build-Depends name only packages of the install lists; the bench preset
# builds what the benchmark scripts run. Writes only to a
# fresh temporary folder.
# Usage: setup_check.sh SOURCE-DIR
set -euo pipefail
src=$1
source "$(dirname "$0")/check.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

list() { bash "$src/scripts/install-deps.sh" --list "$1" | sort -u; }
list run >"$work/run"
list package >"$work/package"
# Build-Depends, one name a line, "name nocheck" for those only the tests need.
sed -n '/^Build-Depends:/,/^[A-Z]/p' "$src/debian/control" | sed 's/^Build-Depends://' |
  grep -v '^[A-Z]' | tr ',' '\n' | sed 's/([^)]*)//; s/<!nocheck>/nocheck/' | awk 'NF' |
  awk '{print $1, $2}' >"$work/build-depends"

missing=""
while read -r name profile; do
  [ "$name" = debhelper-compat ] && continue
  wanted=$work/run
  [ "$profile" = nocheck ] && wanted=$work/package
  grep -qx "$name" "$wanted" || missing+="$name "
done <"$work/build-depends"
check "Build-Depends are in the install lists" "" "$missing"
check "the package list installs GoogleTest, as Build-Depends asks" yes \
  "$(grep -q '^libgtest-dev nocheck$' "$work/build-depends" && grep -qx libgtest-dev "$work/package" &&
     echo yes || echo no)"
check "the run list installs no test tool" "" \
  "$(grep -xE 'googletest|libgtest-dev|libgmock-dev|libbenchmark-dev|xvfb|sway|lintian' "$work/run" || true)"

if ! cmake -S "$src" -B "$work/release" --preset release \
  -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON \
  >"$work/configure.log" 2>&1; then
  cat "$work/configure.log"
  echo "FAIL: the release preset does not configure without the test tools"
  exit 1
fi
echo "ok: the release preset configures without GoogleTest and Google Benchmark"
check "the release preset configures no test" "Total Tests: 0" \
  "$(cd "$work/release" && ctest --show-only 2>/dev/null | grep '^Total Tests')"
check "the release preset builds the program" yes \
  "$(cmake --build "$work/release" --target help | grep -q '^irochi: ' && echo yes || echo no)"
# Each benchmark script's preset has the targets the script builds.
for script in bench/run.sh bench/startup.sh bench/notations.sh bench/click.sh; do
  preset=$(grep -oP 'cmake --preset \K[a-z]+' "$src/$script")
  wanted=$(grep -oP -- '--target \K[a-z_ ]+' "$src/$script" | xargs -n1 | sort | xargs)
  [ -d "$work/$preset" ] || cmake -S "$src" -B "$work/$preset" --preset "$preset" >/dev/null 2>&1 || true
  check "$script: the $preset preset builds $wanted" "$wanted" \
    "$(cmake --build "$work/$preset" --target help 2>/dev/null | grep -oE '^[a-z_]+:' | tr -d : |
       grep -xF "${wanted// /$'\n'}" | sort | xargs)"
done
exit $fail
