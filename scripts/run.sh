#!/usr/bin/env bash
# Builds Amblopad and starts it on a bundled sample card file.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --parallel 2
./build/src/amblopad-cli info samples/questionnaire.xaqq
./build/src/amblopad-cli dump samples/questionnaire.xaqq
