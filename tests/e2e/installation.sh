#!/usr/bin/env bash
# Installs the program as a user's `cmake --install` would, into a fresh prefix, and checks what a
# desktop finds there: the command, the help pages beside the executable, the menu entry, the
# AppStream data and the icon at each size. The other end-to-end scripts then run this copy.
#   installation.sh <build folder> <prefix>
set -u
construction=${1:?usage: $0 <build folder> <prefix>}
prefixe=${2:?usage: $0 <build folder> <prefix>}
source_aide=$(dirname "${BASH_SOURCE[0]}")/../../aide
echecs=0
echoue() { echo "ÉCHEC: $*"; echecs=$((echecs + 1)); }
ok() { echo "ok: $*"; }

rm -rf "$prefixe"
# Every install rule is in the default component; naming it keeps this install's file list apart
# from build/install_manifest.txt, which a real install left for uninstalling.
manifeste=$construction/install_manifest_Unspecified.txt
if ! cmake --install "$construction" --component Unspecified --prefix "$prefixe" >"$prefixe.journal" 2>&1; then
    cat "$prefixe.journal"
    echo "ÉCHEC: cmake --install"
    exit 1
fi

# The list the README's uninstall command reads names everything that was installed.
absents=$(comm -23 <(find "$prefixe" ! -type d | sort) <(sort "$manifeste"))
[ -z "$absents" ] && ok "la liste d'installation est complète" || echoue "absents de la liste d'installation: $absents"

# The command on the PATH is a link to the executable, which finds its help pages beside it.
commande=$prefixe/bin/imagora
[ -L "$commande" ] && [ -x "$commande" ] && ok "bin/imagora" || echoue "bin/imagora manque ou ne s'exécute pas"
executable=$(readlink -f "$commande")
[ "$executable" = "$(readlink -f "$prefixe/lib/imagora/Imagora")" ] && ok "bin/imagora mène à lib/imagora/Imagora" \
    || echoue "bin/imagora mène à '$executable'"
for page in "$source_aide"/*.htm; do
    nom=$(basename "$page")
    cmp -s "$page" "$(dirname "$executable")/aide/$nom" && ok "aide/$nom installée" || echoue "aide/$nom manque"
done

# Menu entry and AppStream data, as installed.
entree=$prefixe/share/applications/imagora.desktop
if [ -f "$entree" ]; then
    desktop-file-validate "$entree" && ok "imagora.desktop valide" || echoue "desktop-file-validate refuse imagora.desktop"
    grep -q '^MimeType=.*image/jpeg;' "$entree" && ok "le menu annonce les images" || echoue "pas de types MIME"
else
    echoue "pas d'entrée de menu"
fi
metainfo=$prefixe/share/metainfo/io.github.imagora.Imagora.metainfo.xml
if [ -f "$metainfo" ]; then
    appstreamcli validate --no-net "$metainfo" >/dev/null && ok "metainfo valide" \
        || { appstreamcli validate --no-net "$metainfo"; echoue "appstreamcli refuse le metainfo"; }
else
    echoue "pas de metainfo"
fi

# The icon in the hicolor theme, each file the size its folder says.
for taille in 16 22 24 32 48 64 128 256; do
    icone=$prefixe/share/icons/hicolor/${taille}x${taille}/apps/imagora.png
    reel=$(identify -format '%wx%h' "$icone" 2>/dev/null)
    [ "$reel" = "${taille}x${taille}" ] && ok "icône ${taille}x${taille}" || echoue "icône ${taille}x${taille}: '${reel:-absente}'"
done

[ "$echecs" -eq 0 ]
