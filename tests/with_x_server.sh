#!/usr/bin/env bash
# Runs a command with DISPLAY set to a fresh Xvfb that picks a free display
# itself (-displayfd), so that checks running side by side never race for one
# as xvfb-run -a can. The server lets every local client in (-ac), the
# unprivileged user's programs too, and ends with the command.
# Usage: with_x_server.sh "SERVER ARGUMENTS" COMMAND [ARGUMENTS...]
set -euo pipefail
arguments=$1
shift
work=$(mktemp -d)
server=""
trap '[ -z "$server" ] || { kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; }; rm -rf "$work"' EXIT
mkfifo "$work/display"
# shellcheck disable=SC2086 # the server's arguments are words
Xvfb -displayfd 3 -nolisten tcp -ac $arguments 3>"$work/display" 2>"$work/log" &
server=$!
if ! read -r -t 30 number <"$work/display"; then
  cat "$work/log"
  echo "Xvfb did not start"
  exit 1
fi
status=0
DISPLAY=:$number "$@" || status=$?
exit $status
