#!/usr/bin/env bash
# Builds the Debian package from a clean copy of the source: the files git
# tracks, with their changes, and nothing of build/. Installs the build
# dependencies first. Leaves irochi_<version>_<arch>.deb in OUT-DIR, by
# default build/package/ of the source.
# DEB_BUILD_OPTIONS=nocheck skips the test suite in the build.
# Usage: package.sh [OUT-DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh package

out=${1:-$root/build/package}
out=$(mkdir -p "$out" && cd "$out" && pwd)
# Only what an earlier run made there goes: the copy and the build's results.
rm -rf "$out/irochi" "$out"/irochi_* "$out"/irochi-dbgsym_*
mkdir -p "$out/irochi"
if git -C "$root" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  # A file deleted but not yet committed is simply not copied.
  git -C "$root" ls-files -z --cached --others --exclude-standard |
    tar -C "$root" --null -T - --ignore-failed-read -cf - 2>/dev/null | tar -xf - -C "$out/irochi"
else
  tar -C "$root" --exclude=./build -cf - . | tar -xf - -C "$out/irochi"
fi

# Everything the package needs to build must be in its Build-Depends.
(cd "$out/irochi" && dpkg-checkbuilddeps)
jobs=$(nproc)
(cd "$out/irochi" &&
  DEB_BUILD_OPTIONS="$(echo ${DEB_BUILD_OPTIONS:-} parallel=$jobs)" dpkg-buildpackage -b -us -uc)
ls "$out"/irochi_*.deb
