#!/usr/bin/env bash
# Builds every test with AddressSanitizer and UndefinedBehaviorSanitizer in
# build-asan/ and runs them; exits non-zero on any failure or report.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DAMBLOPAD_SANITIZE=ON \
  -DAMBLOPAD_WERROR="${AMBLOPAD_WERROR:-OFF}" >/dev/null
cmake --build build-asan --parallel 2
cd build-asan
# Leaks inside the system's libraries (fontconfig, the offscreen platform) are
# theirs, not ours: the suppressions name only those.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$PWD/../scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --output-on-failure --parallel 2 2>&1 | tee ctest.log
exit "${PIPESTATUS[0]}"
