#!/usr/bin/env bash
# The work done on several threads under ThreadSanitizer, the JPEG band decode
# and the large file read in pieces: the pictures library and its tests built
# with the tsan preset into a folder of the calling build, and those tests run
# there, the shared corpus included.
# Usage: tsan_check.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source_dir=$1
build=$2
cmake --preset tsan -S "$source_dir" -B "$build" >/dev/null
cmake --build "$build" --target imaging_tests core_tests
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
"$build/tests/imaging_tests" --gtest_brief=1 --gtest_filter='JPEGBands.*:*DecodesInBandsLikeInOnePass*'
"$build/tests/core_tests" --gtest_brief=1 --gtest_filter='FileSystem.ALargeReadInParts*'
