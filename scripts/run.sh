#!/usr/bin/env bash
# Builds Amblopad and starts the editor on a bundled sample card file.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
cmake -S . -B build-run -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DAMBLOPAD_TESTS=OFF >/dev/null
cmake --build build-run --parallel 2
./build-run/src/amblopad-cli info samples/questionnaire.xaqq || true
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec ./build-run/src/amblopad samples/questionnaire.xaqq
fi
echo "No display: starting the editor on a virtual one (xvfb-run); stop it with Ctrl+C." >&2
exec xvfb-run -a -s "-screen 0 1024x768x24" ./build-run/src/amblopad samples/questionnaire.xaqq
