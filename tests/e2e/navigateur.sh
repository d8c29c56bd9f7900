#!/usr/bin/env bash
# The browser as a user meets it, on the X display of xvfb-run:
#  - on a folder holding a picture of each of the nine older types, then on one holding a picture
#    of each newer type (PNG, TIFF, WebP, HEIC, AVIF, JPEG XL, SVG), a click on each row shows that
#    picture in the preview square;
#  - the large-icon view shows the pictures' thumbnails, kept in the shared thumbnail cache;
#  - F1 opens the installed help page through the desktop's opener;
#  - started with a picture, as the desktop's "Open with" does, it opens on it, previewed; started
#    so again while it runs, the running copy shows the new picture.
source "$(dirname "${BASH_SOURCE[0]}")/commun.sh"

photos=$bac/photos
mkdir -p "$photos"
# One picture per type, in the list's order (by name).
types=(chi.gif clipboard.dib deerstalker.cur drawing.emf drawing.wmf flower.jpg hopper.bmp hopper.ico hopper.jpeg)
for f in "${types[@]}"; do cp "$echantillons/${f/hopper.jpeg/hopper.jpg}" "$photos/$f"; done
reglages "date de debut" "01/01/2026" "dossier demarrage" "$photos" "type fichier" "0"
# The desktop's document opener, replaced by one that notes what it was asked to open.
mkdir -p "$bac/bin"
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >>"%s"\n' "$bac/ouverts" >"$bac/bin/xdg-open"
chmod +x "$bac/bin/xdg-open"
export PATH=$bac/bin:$PATH
lancer
fenetre_principale
sleep 1
capture 1-navigateur
apercus "${types[@]}"
# The large-icon view (first button above the list): each picture's thumbnail.
xdotool mousemove $((X + 368)) $((Y + 64)) click 1
vignettes() { [ "$(find "$XDG_CACHE_HOME/thumbnails/normal" -name '*.png' 2>/dev/null | wc -l)" -eq ${#types[@]} ]; }
verifier "une vignette par image dans le cache partagé" attendre_que 20 vignettes
sleep 1
capture 2-vignettes
# F1: the installed help page, beside the executable, through the desktop's opener.
touches "$id" F1
aide=file://$(dirname "$(readlink -f "$programme")")/aide/aide.htm
verifier "F1 ouvre $aide" attendre_que 10 grep -qxF "$aide" "$bac/ouverts"
verifier "le programme se termine" quitter "$id" "$pid"

# The newer types, made here with Debian's encoders from the samples; in the list's order, each
# from another picture than the one before it.
recents=$bac/recents
mkdir -p "$recents"
convert "$echantillons/flower.jpg" "$bac/fleur.png"
convert "$echantillons/hopper.bmp" "$bac/hopper.png"
convert "$echantillons/flower2.jpg" "$bac/fleur2.png"
avifenc -s 10 "$bac/fleur.png" "$recents/photo.avif" >/dev/null
heif-enc -q 70 -o "$recents/photo.heic" "$bac/hopper.png" >/dev/null
cjxl "$bac/fleur2.png" "$recents/photo.jxl" 2>/dev/null
convert "$echantillons/iptc.jpg" "$recents/photo.png"
cat >"$recents/photo.svg" <<'SVG'
<svg xmlns="http://www.w3.org/2000/svg" width="300" height="200">
 <rect width="300" height="200" fill="#1e5aa8"/><circle cx="150" cy="100" r="70" fill="#f2c12e"/>
 <path d="M20 180 L120 60 L220 180 Z" fill="#2e8b57" stroke="#111" stroke-width="4"/>
</svg>
SVG
convert "$echantillons/hopper.bmp" "$recents/photo.tif"
convert "$echantillons/flower.jpg" "$recents/photo.webp"
reglages "date de debut" "01/01/2026" "dossier demarrage" "$recents" "type fichier" "0"
lancer
fenetre_principale
sleep 1
apercus photo.avif photo.heic photo.jxl photo.png photo.svg photo.tif photo.webp
verifier "aucun message affiché" sans_fenetre '^Imagora$'
verifier "le programme se termine" quitter "$id" "$pid"

# Opened on a picture of another folder, whatever the saved folder and type.
mkdir -p "$bac/ailleurs"
cp "$echantillons/drawing.emf" "$bac/ailleurs/plan.emf"
cp "$echantillons/hopper.bmp" "$bac/ailleurs/autre.bmp"
reglages "date de debut" "01/01/2026" "dossier demarrage" "$photos" "type fichier" "1"
lancer "$bac/ailleurs/plan.emf"
fenetre_principale
verifier "imagora plan.emf l'affiche en aperçu" attendre_que 20 apercu_affiche
capture 3-ouvert-sur-une-image
avant=$(md5sum <"$bac/apercu.png")

# "Open with" again while it runs: the running copy shows the picture, the new one just ends.
LANG=$langue "$programme" "$photos/hopper.bmp" &
pid2=$!
if attendre_fin "$pid2" 10; then
    wait "$pid2"
    verifier "la deuxième copie passe l'image et se termine (code $?)" [ $? -eq 0 ]
else
    echoue "la deuxième copie ne se termine pas"
    kill -9 "$pid2"
fi
autre_apercu() { apercu_affiche && [ "$(md5sum <"$bac/apercu.png")" != "$avant" ]; }
verifier "la copie qui tourne affiche hopper.bmp" attendre_que 20 autre_apercu
capture 4-image-transmise
verifier "aucun message affiché" sans_fenetre '^Imagora$'
verifier "le programme se termine" quitter "$id" "$pid"
verifier "le type enregistré reste le même" [ "$(cle 'type fichier')" = 1 ]

fin_du_script
