#!/usr/bin/env bash
# Builds the notation benchmark optimised; prints the colour menu's work (every
# notation of one colour) as a ratio of one snprintf of the hex timed in the
# same iterations, then writes every notation of all 16,777,216 colours and
# reads each back (a few minutes on two cores). Usage: bench/notations.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
cmake --preset bench >/dev/null
cmake --build --preset bench --target notation_bench >/dev/null
out=$(mktemp)
trap 'rm -f "$out"' EXIT
build/bench/bench/notation_bench --benchmark_repetitions=7 --benchmark_report_aggregates_only=true \
  --benchmark_out="$out" --benchmark_out_format=json >/dev/null
python3 - "$out" <<'PY'
import json, sys
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    if b.get("aggregate_name") == "median":
        print(f"MenuNotations: {b['real_time']:.1f} us for every notation of one colour; one snprintf "
              f"of its hex {1000 * b['floor_ms']:.3f} us in the same iterations, ratio {b['ratio']:.0f}")
PY
build/bench/bench/notation_bench --exhaustive
