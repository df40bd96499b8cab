#!/usr/bin/env bash
# Hostile inputs on two release builds side by side: BEFORE (a commit, default
# 95559e7, the readers before they were bounded) and AFTER (this tree). Builds
# both amblopad-cli in build-hostiles/ (BEFORE from a detached worktree there),
# writes the inputs once into DATA (default build-hostiles/data; about 1.3 GB)
# and prints one table row per input and build. Environment: BEFORE (commit,
# or "none" for this tree only), DATA, TIMEOUT (seconds per run, default 300),
# ONLY (comma-separated issue items 1,3,4,5,6,7 or input file names);
# BEFORE_CLI and AFTER_CLI name builds made elsewhere instead. With EDITOR=1
# and an X display with a window manager in DISPLAY (Xvfb and openbox), the
# AFTER editor (AFTER_EDITOR, default beside AFTER_CLI) then opens each input
# and its message boxes are saved in $build/editor-shots.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-hostiles
before=${BEFORE:-95559e7}
data=${DATA:-$build/data}

after_cli=${AFTER_CLI:-}
if [ -z "$after_cli" ]; then
  cmake -S . -B "$build/after" -G Ninja -DCMAKE_BUILD_TYPE=Release -DAMBLOPAD_TESTS=OFF >/dev/null
  ninja -C "$build/after" -j2 amblopad-cli $([ "${EDITOR:-}" = 1 ] && echo amblopad) >/dev/null
  after_cli=$build/after/src/amblopad-cli
fi
clis=(--cli "AFTER=$after_cli")
if [ -n "${BEFORE_CLI:-}" ]; then
  clis=(--cli "BEFORE=$BEFORE_CLI" "${clis[@]}")
elif [ "$before" != none ]; then
  source_dir="$build/before-src"
  if [ ! -d "$source_dir" ]; then
    git worktree add --detach "$source_dir" "$before" >/dev/null
  fi
  git -C "$source_dir" checkout --detach -q "$before"
  cmake -S "$source_dir" -B "$build/before" -G Ninja -DCMAKE_BUILD_TYPE=Release -DAMBLOPAD_TESTS=OFF >/dev/null
  ninja -C "$build/before" -j2 amblopad-cli >/dev/null
  clis=(--cli "BEFORE=$build/before/src/amblopad-cli" "${clis[@]}")
fi

echo "# $(uname -m), $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'), load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "# AFTER ${AFTER_CLI:-commit $(git rev-parse --short HEAD)$(git diff --quiet HEAD -- src || echo ' + local changes')}, BEFORE ${BEFORE_CLI:-$before}, $(date -u '+%Y-%m-%d %H:%M UTC')"
python3 bench/hostiles.py --data "$data" --timeout "${TIMEOUT:-300}" --only "${ONLY:-}" "${clis[@]}"
if [ "${EDITOR:-}" = 1 ]; then
  echo "# the AFTER editor on each input, load $(cut -d' ' -f1-3 /proc/loadavg)"
  python3 bench/hostiles_editeur.py --data "$data" --timeout "${TIMEOUT:-300}" --only "${ONLY:-}" \
    --editor "${AFTER_EDITOR:-$(dirname "$after_cli")/amblopad}" --shots "$build/editor-shots"
fi
echo "# load at the end: $(cut -d' ' -f1-3 /proc/loadavg), $(date -u '+%H:%M UTC')"
