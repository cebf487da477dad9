#!/usr/bin/env bash
# Installs what building, running and the tests need, when it is missing;
# builds everything with the tests and runs the whole suite: imaging, the
# window offscreen, the program in a real X server, under a Wayland
# compositor and through the screen reader's interface, the package.
# Pass a preset name (dev, asan) to choose the build; dev by default.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
preset=${1:-dev}
bash scripts/install-deps.sh test
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset" -j "$(nproc)"
