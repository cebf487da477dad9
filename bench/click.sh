#!/usr/bin/env bash
# The wait a user has in the real program: the optimised program, started
# fresh in a real X server (Xvfb, 24-bit) for each run, a click on a
# 24-megapixel picture's name after another such picture has been shown,
# until the picture is on the screen and the program answers; against the
# floor timed in the same run (bench/ClickWait.cpp). Prints the medians and
# their ratio for a colour JPEG (4:2:0, quality 90), a grey and a progressive
# one, a 24-bit BMP, and the colour JPEG tagged Display P3 (shown converted
# to sRGB: its wait beyond the untagged one's, against the floor). Usage: bench/click.sh [RUNS [PROGRAM]] (PROGRAM: another
# build of irochi to measure, such as an earlier commit's release build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-7}
cd "$root"
cmake --preset bench >/dev/null
cmake --build --preset bench --target irochi click_wait >/dev/null
program=$(realpath "${2:-build/bench/app/irochi}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build/bench/bench/click_wait make "$work"
for kind in jpeg grey progressive bmp p3; do
  xvfb-run -a -s "-screen 0 1024x768x24" build/bench/bench/click_wait run \
    "$program" "$work" "$kind" "$runs" >"$work/$kind.txt" 2>/dev/null
done
python3 - "$work" <<'PY'
import statistics, sys
targets = {"jpeg": "target <= 0.75", "grey": "no worse than before", "progressive": "no worse than before",
           "bmp": "target <= 1.5", "p3": "beyond the untagged below"}
floors = {"jpeg": "libjpeg's one-pass decode into faulted memory", "grey": "the same",
          "progressive": "the same", "bmp": "reading the file into faulted memory", "p3": "the same"}
waits = {}
for kind in ("jpeg", "grey", "progressive", "bmp", "p3"):
    rows = [tuple(map(float, line.split())) for line in open(f"{sys.argv[1]}/{kind}.txt")]
    wait = statistics.median(r[0] for r in rows)
    floor = statistics.median(r[1] for r in rows)
    ratios = sorted(r[0] / r[1] for r in rows)
    waits[kind] = (wait, floor)
    print(f"{kind}: click to shown {wait:.1f} ms; {floors[kind]} {floor:.1f} ms; ratio of medians "
          f"{wait / floor:.3f} ({targets[kind]}); per run {ratios[0]:.2f} to {ratios[-1]:.2f}, {len(rows)} runs")
extra = waits["p3"][0] - waits["jpeg"][0]
print(f"p3 beyond the untagged jpeg: {extra:.1f} ms, {extra / waits['jpeg'][1]:.3f} of the decode floor "
      f"(target <= 0.15)")
PY
