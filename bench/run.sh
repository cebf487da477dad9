#!/usr/bin/env bash
# Builds the benchmarks optimised and prints each load's time as a ratio of
# its floors measured in the same run. Usage: bench/run.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
cmake --preset release >/dev/null
cmake --build --preset release --target imaging_bench >/dev/null
out=$(mktemp)
trap 'rm -f "$out"' EXIT
build/release/bench/imaging_bench --benchmark_repetitions=7 --benchmark_report_aggregates_only=true \
  --benchmark_out="$out" --benchmark_out_format=json >/dev/null
python3 - "$out" <<'PY'
import json, sys
runs = {b["run_name"].split("/")[0] + "_" + b.get("aggregate_name", ""): b
        for b in json.load(open(sys.argv[1]))["benchmarks"]}
def median(name):
    return runs[name + "_median"]["real_time"]
for load, target in (("BmpLoad", 5), ("JpegDecode", 1.15), ("GreyJpegDecode", 1.15),
                     ("ProgressiveJpegDecode", 1.1)):
    floor = load.replace("Load", "Floor").replace("Decode", "Floor")
    fresh = floor.replace("Floor", "FreshFloor")
    t, f, o = median(load), median(floor), median(fresh)
    print(f"{load}: {t:.1f} ms; physical floor {f:.1f} ms, ratio {t / f:.3f} (target <= {target}); "
          f"fresh-memory floor {o:.1f} ms, ratio {t / o:.3f}")
ten = runs["LoadTenPictures_median"]
print(f"ten pictures loaded one after another: resident set {ten['resident_over_one_picture_MiB']:.1f} MiB "
      f"over one picture's bitmap at the end, {ten['peak_over_one_picture_MiB']:.1f} MiB at the peak")
copies = runs["JpegPixelCopiesAfterConversion_median"]["pixel_copies"]
print(f"pixel copies alive after conversion: {copies:.2f} (target 1)")
PY
