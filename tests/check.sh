# What the shell checks share; sourced, never run. `require TOOL...` skips the
# check (exit 77) when a tool is missing; `check WHAT EXPECTED ACTUAL` prints
# the verdict and counts a failure in $fail, which the check exits with.
fail=0
require() {
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
  done
}
check() {
  if [ "$2" = "$3" ]; then echo "ok: $1"; else echo "FAIL: $1: expected [$2], got [$3]"; fail=1; fi
}
