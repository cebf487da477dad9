#!/usr/bin/env bash
# Start-up of irochi against a bare Qt window of the same size, without and
# with one line of text, all started in turn in the same X server: the time until the window is mapped (the X
# server's MapNotify, seen by bench/MapWait.c) and the resident memory one
# second after start. Prints medians and ratios.
# Usage: bench/startup.sh [RUNS [PROGRAM]] (PROGRAM: another build of irochi)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-15}
cd "$root"
cmake --preset bench >/dev/null
cmake --build --preset bench --target irochi bare_window mapwait >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Its own folder: no pixdir.txt is read at start anyway.
cp "${2:-build/bench/app/irochi}" "$work/irochi"

cat >"$work/inner.sh" <<'INNER'
set -euo pipefail
mapwait=$1 bare=$2 irochi=$3 runs=$4 out=$5
"$mapwait" "$bare" >/dev/null   # warm the page cache for both
"$mapwait" "$irochi" >/dev/null
for i in $(seq "$runs"); do
  echo "bare $("$mapwait" "$bare")" >>"$out"
  echo "text $("$mapwait" "$bare" text)" >>"$out"
  echo "irochi $("$mapwait" "$irochi")" >>"$out"
done
INNER
xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/inner.sh" build/bench/bench/mapwait \
  build/bench/bench/bare_window "$work/irochi" "$runs" "$work/results" 2>/dev/null
python3 - "$work/results" <<'PY'
import statistics, sys
rows = [line.split() for line in open(sys.argv[1])]
def med(name, col):
    return statistics.median(float(r[col]) for r in rows if r[0] == name)
ti, mi = med("irochi", 1), med("irochi", 2) / 1024
# The floor is the window with its line of text: the font set-up is work any
# window with captions does. The bare window is printed beside it for scale.
for floor, what, targets in (("bare", "bare Qt window", ("for scale", "for scale")),
                             ("text", "bare Qt window with one line of text",
                              ("target <= 1.1", "target <= 8"))):
    tb, mb = med(floor, 1), med(floor, 2) / 1024
    print(f"against a {what}: mapped {ti:.1f} ms / {tb:.1f} ms, ratio {ti / tb:.2f} ({targets[0]}); "
          f"resident after 1 s {mi:.1f} MiB / {mb:.1f} MiB, difference {mi - mb:.1f} MiB ({targets[1]})")
PY
