#!/bin/bash
# Builds the fuzz targets in fuzz-build/ (beside the sources) and runs one or
# all of them, one after the other.
#   fuzz/run.sh [TARGET|all] [SECONDS]      default: all, 1200 seconds each
# Memory limits (MB) and the input size: RSS_MB (default 2048), MALLOC_MB
# (one allocation; default: RSS_MB), MAX_LEN (default: libFuzzer's choice).
# A small MAX_LEN against tight limits catches inputs that need far more
# memory than their size.
# Targets: natif xml crd csv moodle reconnaitre ankipaquet ankitexte gift qti12 qti12paquet qti21item qti21paquet. Working corpora, logs and
# crash inputs stay in fuzz-build/ (corpus/, logs/, artefacts/); a crash input
# that was fixed belongs in fuzz/regressions/TARGET/.
set -euo pipefail

SOURCE=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${AMBLOPAD_FUZZ_BUILD:-$SOURCE/fuzz-build}
TOUTES=(natif xml crd csv moodle reconnaitre ankipaquet ankitexte gift qti12 qti12paquet qti21item qti21paquet)

cible=${1:-all}
duree=${2:-1200}
if [ "$cible" = all ]; then
    cibles=("${TOUTES[@]}")
else
    cibles=("$cible")
fi

cmake -S "$SOURCE" -B "$BUILD" -G Ninja \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DAMBLOPAD_FUZZ=ON -DAMBLOPAD_TESTS=OFF -DAMBLOPAD_EDITOR=OFF >/dev/null
ninja -C "$BUILD" -j2 fuzz_graines $(printf 'fuzz_%s ' "${cibles[@]}")

# Seeds: files the writers make and the test data (real Moodle quizzes among them).
# The csv and reconnaitre targets read a mode byte first: 0 means ',' (and a
# .csv name), 1 means ';'.
rm -rf "$BUILD/graines"
"$BUILD/fuzz/fuzz_graines" "$BUILD/graines"
copier() { # copier DESTINATION [MODE] FILES...
    local destination=$1 mode=$2
    shift 2
    mkdir -p "$destination"
    local f
    for f in "$@"; do
        [ -f "$f" ] || continue
        local nom
        nom=$(basename "$f")
        if [ -n "$mode" ]; then
            { printf "\\$(printf '%03o' "$mode")"; cat "$f"; } >"$destination/$mode-$nom"
        else
            cp "$f" "$destination/$nom"
        fi
    done
}
shopt -s nullglob
D=$SOURCE/tests/data
copier "$BUILD/graines/natif" "" "$D"/natif/*
copier "$BUILD/graines/xml" "" "$D"/xml/* "$D"/moodle/*
copier "$BUILD/graines/crd" "" "$D"/crd/*
copier "$BUILD/graines/csv" 0 "$D"/csv/*
copier "$BUILD/graines/csv" 1 "$D"/csv/*
copier "$BUILD/graines/moodle" "" "$D"/moodle/*
copier "$BUILD/graines/gift" "" "$D"/gift/* "$D"/aiken/*
copier "$BUILD/graines/qti12" "" "$D"/qti/*/*.xml "$D"/qti/*/*.qti
copier "$BUILD/graines/qti12paquet" 0 "$D"/qti/*/*.zip "$D"/qti/*/*.imscc
copier "$BUILD/graines/qti12paquet" 1 "$D"/qti/*/*.xml "$D"/qti/*/*.qti
# QTI 2.1: the items, and the packages as they are (mode 0).
copier "$BUILD/graines/qti21item" "" "$D"/qti/qti21/items/* "$D"/qti/canvas_fixtures/*/*.xml \
    "$D"/qti/canvas_fixtures/respondus/questions/*
copier "$BUILD/graines/qti21paquet" 0 "$D"/qti/qti21/packages/*
copier "$BUILD/graines/qti21paquet" 2 "$D"/qti/qti21/tests/*
copier "$BUILD/graines/reconnaitre" 0 "$D"/*/* \
    "$BUILD"/graines/{natif,xml,crd,moodle}/*

for c in "${cibles[@]}"; do
    mkdir -p "$BUILD/corpus/$c" "$BUILD/logs" "$BUILD/artefacts/$c"
    dossiers=("$BUILD/corpus/$c" "$BUILD/graines/$c")
    for d in "$SOURCE/fuzz/graines/$c" "$SOURCE/fuzz/regressions/$c"; do
        [ -d "$d" ] && dossiers+=("$d")
    done
    echo "== $c: $duree s, log in $BUILD/logs/$c.log"
    set +e
    limites=(-rss_limit_mb="${RSS_MB:-2048}" -malloc_limit_mb="${MALLOC_MB:-${RSS_MB:-2048}}")
    [ -n "${MAX_LEN:-}" ] && limites+=(-max_len="$MAX_LEN")
    "$BUILD/fuzz/fuzz_$c" "${limites[@]}" -timeout=5 -max_total_time="$duree" \
        -dict="$SOURCE/fuzz/$c.dict" -artifact_prefix="$BUILD/artefacts/$c/" \
        -print_final_stats=1 "${dossiers[@]}" >"$BUILD/logs/$c.log" 2>&1
    statut=$?
    set -e
    tail -n 12 "$BUILD/logs/$c.log"
    # Ctrl+C (or SIGINT) ends a run early; that is no finding.
    if [ $statut -ne 0 ] && ! grep -q 'libFuzzer: run interrupted' "$BUILD/logs/$c.log"; then
        echo "== $c: finding, see $BUILD/logs/$c.log and $BUILD/artefacts/$c/" >&2
        exit $statut
    fi
done
