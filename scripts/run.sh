#!/usr/bin/env bash
# Installs what building and running need, when it is missing; builds irochi
# optimised and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh run
cmake --preset release >/dev/null
cmake --build --preset release --target irochi
exec build/release/app/irochi "$@"
