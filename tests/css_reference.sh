#!/usr/bin/env bash
# irochi's CSS notations against colorjs.io, an implementation of CSS Color 4
# that no one here wrote (tests/css-reference), installed by npm from its
# lock file into the build folder.
# Usage: css_reference.sh BUILD-DIR NOTATION-PROBE   (exit 77: tools missing)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/check.sh"
require node npm
work=$1/css-reference
mkdir -p "$work"
cp "$here"/css-reference/{package.json,package-lock.json,css_reference.mjs} "$work/"
if [ ! -f "$work/node_modules/colorjs.io/package.json" ]; then
  (cd "$work" && npm ci --no-audit --no-fund --loglevel=error) ||
    { echo "FAIL: npm could not install the reference"; exit 1; }
fi
node "$work/css_reference.mjs" "$2"
