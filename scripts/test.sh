#!/usr/bin/env bash
# Builds everything and runs every test; exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug -DAMBLOPAD_WERROR="${AMBLOPAD_WERROR:-OFF}" >/dev/null
cmake --build build --parallel 2
cd build
ctest --output-on-failure --parallel 2 2>&1 | tee ctest.log
status=${PIPESTATUS[0]}
exit "$status"
