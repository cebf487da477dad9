#!/usr/bin/env bash
# Installs what is missing, builds everything with the tests and runs the
# whole suite: imaging, the window offscreen, the program in a real X server.
# Pass a preset name (dev, asan) to choose the build; dev by default.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
preset=${1:-dev}
bash scripts/install-deps.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset" -j "$(nproc)"
