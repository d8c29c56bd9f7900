#!/usr/bin/env bash
# Installs the program as a user's `cmake --install` would, into a fresh prefix, and checks what a
# desktop finds there: the command, the help pages beside the executable, the menu entry and the
# AppStream data as in the sources (their validators run on those), the icon at each size. The
# other end-to-end scripts then run this copy.
#   installation.sh <build folder> <prefix>
set -u
construction=${1:?usage: $0 <build folder> <prefix>}
prefixe=${2:?usage: $0 <build folder> <prefix>}
sources=$(dirname "${BASH_SOURCE[0]}")/../..
echecs=0
verifier() { local quoi=$1; shift; if "$@"; then echo "ok: $quoi"; else echo "ÉCHEC: $quoi"; echecs=$((echecs + 1)); fi; }

rm -rf "$prefixe"
# Every install rule is in the default component; naming it keeps this install's file list apart
# from build/install_manifest.txt, which a real install left for uninstalling.
if ! cmake --install "$construction" --component Unspecified --prefix "$prefixe" >"$prefixe.journal" 2>&1; then
    cat "$prefixe.journal"
    echo "ÉCHEC: cmake --install"
    exit 1
fi

# The list the README's uninstall command reads names everything that was installed.
absents=$(comm -23 <(find "$prefixe" ! -type d | sort) <(sort "$construction/install_manifest_Unspecified.txt"))
verifier "la liste d'installation est complète ${absents:+(absents: $absents)}" [ -z "$absents" ]

# The command on the PATH is a link to the executable, which finds its help pages beside it.
commande=$prefixe/bin/imagora
verifier "bin/imagora est un lien exécutable" [ -L "$commande" -a -x "$commande" ]
verifier "bin/imagora mène à lib/imagora/Imagora" [ "$(readlink -f "$commande")" = "$(readlink -f "$prefixe/lib/imagora/Imagora")" ]
for page in "$sources"/aide/*.htm; do
    verifier "aide/$(basename "$page") installée" cmp -s "$page" "$prefixe/lib/imagora/aide/$(basename "$page")"
done
verifier "entrée de menu installée" cmp -s "$sources/data/imagora.desktop" "$prefixe/share/applications/imagora.desktop"
verifier "le menu annonce les images" grep -q '^MimeType=.*image/jpeg;' "$prefixe/share/applications/imagora.desktop"
verifier "metainfo installé" cmp -s "$sources/data/io.github.imagora.Imagora.metainfo.xml" \
    "$prefixe/share/metainfo/io.github.imagora.Imagora.metainfo.xml"

# The icon in the hicolor theme, each file the size its folder says.
for taille in 16 22 24 32 48 64 128 256; do
    verifier "icône ${taille}x${taille}" [ "$(identify -format '%wx%h' "$prefixe/share/icons/hicolor/${taille}x${taille}/apps/imagora.png" 2>/dev/null)" = "${taille}x${taille}" ]
done

[ "$echecs" -eq 0 ]
