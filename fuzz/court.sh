#!/usr/bin/env bash
# Builds the metafile fuzz target with clang under AddressSanitizer and UndefinedBehaviorSanitizer
# into BUILD_DIR, then fuzzes for SECONDS over the sample metafiles and the crash-regression corpus.
# Fails on any crash, hang, memory blow-up or sanitizer report (the input is left in BUILD_DIR/artifacts/).
# Usage: fuzz/court.sh BUILD_DIR [SECONDS]      (SAMPLES names the shared test data)
# The test suite runs it for 45 s; a longer session is the same with more seconds (600 and up).
# A crash found becomes a test: copy the input from BUILD_DIR/artifacts/ into fuzz/corpus/ under a
# name that says what it broke; tst_metafichier loads every file there.
set -euo pipefail

ici=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=${1:?usage: court.sh BUILD_DIR [SECONDS]}
duree=${2:-45}
echantillons=${SAMPLES:-$ici/../../shared/testdata}

cmake -S "$ici" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" --parallel "$(nproc)"

# libFuzzer adds what it finds to the corpus folder: work on a copy.
corpus=$build/corpus
rm -rf "$corpus" "$build/artifacts"
mkdir -p "$corpus" "$build/artifacts"
cp "$echantillons"/metafiles/emf/* "$echantillons"/metafiles/emf-damaged/* "$echantillons"/metafiles/wmf/* "$corpus"/
for f in "$echantillons"/pillow/drawing.wmf "$echantillons"/pillow/drawing.emf; do
    cp "$f" "$corpus/pillow-$(basename "$f")"
done
cp "$ici"/corpus/* "$corpus"/ 2>/dev/null || true

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
"$build"/fuzz_metafichier -max_total_time="$duree" -timeout=15 -rss_limit_mb=2560 -max_len=262144 \
    -print_final_stats=1 -artifact_prefix="$build/artifacts/" "$corpus" 2>&1 | tail -n 40
