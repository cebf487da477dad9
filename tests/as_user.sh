#!/usr/bin/env bash
# Runs a test program as an ordinary user, who cannot read what file modes
# forbid: as "nobody" with a home of its own when run by root, who reads
# every folder; as it is otherwise. The program runs from a copy in that
# home, since the build folder may lie where nobody cannot reach it (/root).
# Usage: as_user.sh PROGRAM [ARGUMENTS...]    (exit 77: setpriv is missing)
set -euo pipefail
if [ "$(id -u)" -ne 0 ]; then
  exec "$@"
fi
command -v setpriv >/dev/null || { echo "skipped: setpriv is not installed"; exit 77; }
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
copy=$home/$(basename "$1")
cp "$1" "$copy"
shift
chown -R nobody "$home"
cd "$home"
setpriv --reuid=nobody --regid=nogroup --clear-groups \
  env HOME="$home" XDG_RUNTIME_DIR="$home" TMPDIR="$home" "$copy" "$@"
