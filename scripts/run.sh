#!/usr/bin/env bash
# Builds Amblopad and starts the editor on a bundled sample card file.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --parallel 2
./build/src/amblopad-cli info samples/questionnaire.xaqq || true
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec ./build/src/amblopad samples/questionnaire.xaqq
fi
echo "No display: starting the editor on a virtual one (xvfb-run); stop it with Ctrl+C." >&2
exec xvfb-run -a -s "-screen 0 1024x768x24" ./build/src/amblopad samples/questionnaire.xaqq
