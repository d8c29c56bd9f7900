#!/usr/bin/env bash
# Builds the fuzz targets with clang under AddressSanitizer and UndefinedBehaviorSanitizer into
# BUILD_DIR, then fuzzes one of them for SECONDS:
#   metafichier  the metafile renderer, over the sample metafiles and the crash-regression corpus;
#   lecteurs     the HEIF, JPEG XL, animated PNG and SVG readers, over pictures made here with Debian's
#                encoders and the crash-regression corpus;
#   chargeur     the loader as the windows call it (size, preview, part, fitted, EXIF thumbnail), over
#                the sample pictures of every type and the crash-regression corpus.
# Fails on any crash, hang, memory blow-up or sanitizer report (the input is left in BUILD_DIR/artifacts/).
# Usage: fuzz/court.sh BUILD_DIR [SECONDS] [metafichier|lecteurs|chargeur]   (SAMPLES names the shared test data)
# The test suite runs each for 30 to 45 s; a longer session is the same with more seconds (600 and up).
# A crash found becomes a test: copy the input from BUILD_DIR/artifacts/ into fuzz/corpus/ under a
# name that says what it broke; tst_metafichier and tst_chargeur read every file there.
set -euo pipefail

ici=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=${1:?usage: court.sh BUILD_DIR [SECONDS] [metafichier|lecteurs|chargeur]}
duree=${2:-45}
cible=${3:-metafichier}
echantillons=${SAMPLES:-$ici/../../shared/testdata}

cmake -S "$ici" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" --parallel "$(nproc)" --target "fuzz_$cible"

# libFuzzer adds what it finds to the corpus folder: work on a copy.
corpus=$build/corpus-$cible
rm -rf "$corpus" "$build/artifacts"
mkdir -p "$corpus" "$build/artifacts"
case $cible in
metafichier)
    cp "$echantillons"/metafiles/emf/* "$echantillons"/metafiles/emf-damaged/* "$echantillons"/metafiles/wmf/* "$corpus"/
    for f in "$echantillons"/pillow/drawing.wmf "$echantillons"/pillow/drawing.emf; do
        cp "$f" "$corpus/pillow-$(basename "$f")"
    done
    cp "$ici"/corpus/*.emf "$ici"/corpus/*.wmf "$corpus"/ 2>/dev/null || true
    ;;
lecteurs)
    # Small pictures of each type, made with the encoders Debian ships (those present).
    graine=$build/graine.png
    convert -size 48x32 gradient:red-blue -fill white -draw 'circle 24,16 30,16' "$graine"
    heif-enc -q 40 -o "$corpus/graine.heic" "$graine" >/dev/null 2>&1 || true
    heif-enc -q 40 -t 16 -o "$corpus/graine-vignette.heic" "$graine" >/dev/null 2>&1 || true
    avifenc -s 10 "$graine" "$corpus/graine.avif" >/dev/null 2>&1 || true
    avifenc -s 10 -d 10 --cicp 9/16/9 "$graine" "$corpus/graine-pq.avif" >/dev/null 2>&1 || true
    cjxl -q 70 "$graine" "$corpus/graine.jxl" >/dev/null 2>&1 || true
    cjxl -d 0 "$graine" "$corpus/graine-sans-perte.jxl" >/dev/null 2>&1 || true
    cjxl -p "$graine" "$corpus/graine-progressive.jxl" >/dev/null 2>&1 || true
    cp "$graine" "$corpus/graine.png"
    cat > "$corpus/graine.svg" <<'SVG'
<?xml version="1.0"?>
<!DOCTYPE svg [<!ENTITY c "#f80">]>
<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" width="48" height="32" viewBox="0 0 48 32">
 <defs><linearGradient id="g"><stop offset="0" stop-color="&c;"/><stop offset="1" stop-color="blue"/></linearGradient></defs>
 <rect width="48" height="32" fill="url(#g)"/><use xlink:href="#r" x="4"/><g id="r"><circle cx="10" cy="10" r="6"/></g>
 <image width="8" height="8" xlink:href="/etc/hostname"/><text x="2" y="30" font-size="8">Imagora</text>
</svg>
SVG
    gzip -c "$corpus/graine.svg" > "$corpus/graine.svgz"
    find "$ici/../tests/picture/fichiers" -type f \( -name '*.png' -o -name '*.heic' -o -name '*.avif' -o -name '*.jxl' -o -name '*.svg' \) \
        -size -64k -exec cp {} "$corpus"/ \; 2>/dev/null || true
    cp "$ici"/corpus/*.heic "$ici"/corpus/*.avif "$ici"/corpus/*.jxl "$ici"/corpus/*.png "$ici"/corpus/*.svg "$corpus"/ 2>/dev/null || true
    ;;
chargeur)
    # The sample pictures of every type the windows read, good and damaged, smaller than 64 KB.
    find "$echantillons/pillow" "$echantillons/metafiles" -type f -size -64k \
        \( -iname '*.bmp' -o -iname '*.dib' -o -iname '*.gif' -o -iname '*.jpg' -o -iname '*.jpeg' -o -iname '*.ico' \
           -o -iname '*.cur' -o -iname '*.wmf' -o -iname '*.emf' -o -iname '*.png' -o -iname '*.tif' -o -iname '*.tiff' \
           -o -iname '*.webp' -o -iname '*.svg' \) -exec cp --backup=numbered {} "$corpus"/ \;
    cp "$ici"/corpus/* "$corpus"/ 2>/dev/null || true
    ;;
*)
    echo "court.sh: no fuzz target named $cible" >&2
    exit 2
    ;;
esac

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
"$build/fuzz_$cible" -max_total_time="$duree" -timeout=15 -rss_limit_mb=2560 -max_len=262144 \
    -print_final_stats=1 -artifact_prefix="$build/artifacts/" "$corpus" 2>&1 | tail -n 40
