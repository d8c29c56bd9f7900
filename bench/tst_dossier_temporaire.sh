#!/usr/bin/env bash
# The benchmark tool's temporary folder: `imagora-bench window` keeps its settings in a folder of
# its own while it runs. A link planted in the temporary folder under a name the tool could pick
# (imagora-bench-<its pid>: the shell plants it, then becomes the tool with the same pid) must not
# lead it to write into or empty another folder, and the run must leave nothing behind.
#   tst_dossier_temporaire.sh /path/to/imagora-bench
set -u
banc=${1:?usage: $0 /chemin/vers/imagora-bench}
bac=$(mktemp -d)
trap 'rm -rf "$bac"' EXIT
mkdir -p "$bac/tmp" "$bac/autre" "$bac/images" "$bac/home" "$bac/run"
chmod 700 "$bac/run"
echo "à garder" >"$bac/autre/precieux.txt"

HOME=$bac/home XDG_CONFIG_HOME=$bac/home/.config XDG_DATA_HOME=$bac/home/.local/share XDG_RUNTIME_DIR=$bac/run \
    TMPDIR=$bac/tmp QT_QPA_PLATFORM=offscreen \
    sh -c 'ln -s "$1" "$TMPDIR/imagora-bench-$$" && exec "$2" window "$3"' sh "$bac/autre" "$banc" "$bac/images" \
    >"$bac/sortie" 2>&1
code=$?

echecs=0
echoue() { echo "ÉCHEC: $*"; echecs=$((echecs + 1)); }
[ "$code" -eq 0 ] || echoue "imagora-bench window a fini avec le code $code: $(cat "$bac/sortie")"
[ "$(ls -A "$bac/autre")" = precieux.txt ] && [ "$(cat "$bac/autre/precieux.txt")" = "à garder" ] \
    || echoue "le dossier visé par le lien a changé: $(ls -A "$bac/autre")"
# Only the planted link remains there.
restes=$(find "$bac/tmp" -mindepth 1 ! -type l)
[ -z "$restes" ] || echoue "laissé dans le dossier temporaire: $restes"
[ "$(find "$bac/tmp" -mindepth 1 -type l | wc -l)" -eq 1 ] || echoue "le lien planté a disparu"
[ "$echecs" -eq 0 ] && echo "ok: dossier temporaire propre, lien planté sans effet"
exit "$echecs"
