#!/usr/bin/env bash
# The wait for the screen pick in the real program: the optimised program,
# started fresh in a real X server (Xvfb, 1920 x 1080, 24-bit) for each run,
# Ctrl+Shift+P on its window until the frozen screen covers the output with
# the loupe drawn; against the floor, the capture alone (the root window read
# and its rows copied), timed in the same run (bench/PickWait.cpp). Prints the
# medians, their ratio and where the wait goes.
# Usage: bench/pick.sh [RUNS [PROGRAM]]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-9}
cd "$root"
cmake --preset bench >/dev/null
cmake --build --preset bench --target irochi pick_wait >/dev/null
program=$(realpath "${2:-build/bench/app/irochi}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
xvfb-run -a -s "-screen 0 1920x1080x24" build/bench/bench/pick_wait run "$program" "$runs" \
  >"$work/pick.txt" 2>/dev/null
python3 - "$work/pick.txt" <<'PY'
import statistics, sys
rows = [tuple(map(float, line.split())) for line in open(sys.argv[1])]
wait, floor, unmapped, mapped = (statistics.median(r[i] for r in rows) for i in range(4))
print(f"key to the frozen screen shown: {wait:.1f} ms; the capture alone {floor:.1f} ms; "
      f"ratio of medians {wait / floor:.2f} (target <= 1.2); {len(rows)} runs")
print(f"  where it goes: key to the window stepped aside {unmapped:.1f} ms, then to the "
      f"overlay mapped {mapped - unmapped:.1f} ms (the window's wait for the desktop to "
      f"redraw what it covered, the capture, the overlay made), then to the loupe painted "
      f"{wait - mapped:.1f} ms")
PY
