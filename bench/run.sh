#!/usr/bin/env bash
# Builds Amblopad in release mode in build-bench/, writes the large card files
# and prints the benchmark table. Environment: N (cards, default 100000),
# RUNS (runs per figure, default 5), BENCH_LOCALE (default the first of
# fr_FR.UTF-8, en_US.UTF-8, C.UTF-8 that is installed), ONLY (comma-separated
# operation prefixes, e.g. ONLY=xml-open,trier; ONLY=scale for the table of
# 10,000 to 1,000,000 cards, whose files are kept in build-bench/data-scale
# and whose plot is written to bench/scale.svg).
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-bench
n=${N:-100000}
runs=${RUNS:-5}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DAMBLOPAD_BENCH=ON -DAMBLOPAD_TESTS=OFF >/dev/null
targets="gen_cartes bench_core amblopad-cli"
# The editor's driver exists once the editor is built (Qt Widgets).
if ninja -C "$build" -t query bench_editeur >/dev/null 2>&1; then targets="$targets bench_editeur"; fi
ninja -C "$build" -j2 $targets >/dev/null

# The French locale the comparisons with sort are meant for: generated when
# missing and this runs as root (package locales).
if [ -z "${BENCH_LOCALE:-}" ] && ! locale -a 2>/dev/null | grep -qix 'fr_FR.utf-\?8' \
   && [ "$(id -u)" = 0 ] && command -v locale-gen >/dev/null && [ -f /etc/locale.gen ]; then
  grep -q '^fr_FR.UTF-8 UTF-8' /etc/locale.gen || echo 'fr_FR.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen >/dev/null 2>&1 || echo "locale-gen failed: fr_FR.UTF-8 not available"
fi
locale=${BENCH_LOCALE:-}
if [ -z "$locale" ]; then
  available=$(locale -a 2>/dev/null | tr 'A-Z' 'a-z' | sed 's/utf-8/utf8/')
  for l in fr_FR.UTF-8 en_US.UTF-8 C.UTF-8; do
    key=$(echo "$l" | tr 'A-Z' 'a-z' | sed 's/utf-8/utf8/')
    if echo "$available" | grep -qx "$key"; then locale=$l; break; fi
  done
fi

# Fixed settings, never the user's: ';' separated UTF-8 CSV read as a
# Questionnaire by the editor, UTF-8 XML.
export AMBLOPAD_SETTINGS="$PWD/$build/bench-settings.ini"
printf '[General]\ncomma=";"\ncsvutf=1\ncsvtyp=Q\nxmlutf=1\n' >"$AMBLOPAD_SETTINGS"

data="$build/data"
if [ ! -f "$data/stamp-$n" ] || [ "$build/bench/gen_cartes" -nt "$data/stamp-$n" ]; then
  rm -rf "$data"
  echo "writing $n cards of each type into $data ..."
  "$build/bench/gen_cartes" "$data" "$n"
  touch "$data/stamp-$n"
fi

echo "# $(uname -m), $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'), load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "# locale used: $locale"
echo "# commit $(git rev-parse --short HEAD 2>/dev/null || echo '?'), $(date -u '+%Y-%m-%d %H:%M UTC')"
python3 bench/tableau.py --build "$build" --data "$data" --n "$n" --runs "$runs" --locale "$locale" --only "${ONLY:-}"
echo "# load at the end: $(cut -d' ' -f1-3 /proc/loadavg), $(date -u '+%H:%M UTC')"
