#!/usr/bin/env bash
# Builds the benchmarks optimised and prints each reader's time as a ratio of
# its floor measured in the same run. Usage: bench/run.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
cmake --preset release >/dev/null
cmake --build --preset release --target imaging_bench >/dev/null
out=$(mktemp)
trap 'rm -f "$out"' EXIT
build/release/bench/imaging_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_out="$out" --benchmark_out_format=json
python3 - "$out" <<'PY'
import json, sys
runs = {b["run_name"].split("/")[0] + "_" + b.get("aggregate_name", ""): b
        for b in json.load(open(sys.argv[1]))["benchmarks"]}
def median(name):
    return runs[name + "_median"]["real_time"]
for reader, floor, target in (("BmpLoad", "BmpFloor", 1.5), ("JpegDecode", "JpegFloor", 1.05)):
    ratio = median(reader) / median(floor)
    print(f"{reader}: {median(reader):.1f} ms, floor {median(floor):.1f} ms, ratio {ratio:.3f} (target <= {target})")
copies = runs["JpegPixelCopiesAfterConversion_median"]["pixel_copies"]
print(f"pixel copies alive after conversion: {copies:.2f} (target 1)")
PY
