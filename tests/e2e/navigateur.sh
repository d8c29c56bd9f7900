#!/usr/bin/env bash
# The browser as a user meets it, on the X display of xvfb-run:
#  - it opens on a prepared folder holding a picture of each of the nine older types, then on one
#    holding a picture of each newer type (PNG, TIFF, WebP, HEIC, AVIF, JPEG XL, SVG);
#  - a click on each row shows that picture in the preview square;
#  - F1 opens the installed help page in the desktop's viewer;
#  - Escape asks whether to quit, Return answers Yes, the settings say "inactif";
#  - started with a picture, as the desktop's "Open with" does, it opens on it, previewed; started
#    so again while it runs, the running copy shows the new picture.
# Screenshots go to $IMAGORA_CAPTURES/navigateur (default: e2e-captures/ in the current folder).
source "$(dirname "${BASH_SOURCE[0]}")/commun.sh"
echantillons=${SAMPLES:?SAMPLES must name the sample pictures folder}/pillow

photos=$bac/photos
mkdir -p "$photos/vacances"
# One picture per type, in the list's order (by name).
types=(chi.gif clipboard.dib deerstalker.cur drawing.emf drawing.wmf flower.jpg hopper.bmp hopper.ico hopper.jpeg)
for f in "${types[@]}"; do
    cp "$echantillons/${f/hopper.jpeg/hopper.jpg}" "$photos/$f"
done
reglages "date de debut" "01/01/2026" "dossier demarrage" "$photos" "type fichier" "0"

# The desktop's document opener, replaced by one that notes what it was asked to open.
mkdir -p "$bac/bin"
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >>"%s"\n' "$bac/ouverts" >"$bac/bin/xdg-open"
chmod +x "$bac/bin/xdg-open"
export PATH=$bac/bin:$PATH

lancer
fenetre_principale
eval "$(xdotool getwindowgeometry --shell "$id")"
sleep 1
capture 1-navigateur

# Each row in turn: the preview shows a picture, and not the one before.
precedent=
for i in "${!types[@]}"; do
    if apercu_de $((X + 260)) $((Y + 118 + 18 * i)); then
        empreinte=$(md5sum <"$bac/apercu.png")
        if [ "$empreinte" != "$precedent" ]; then
            ok "${types[$i]} s'affiche en aperçu"
        else
            echoue "${types[$i]}: l'aperçu n'a pas changé"
        fi
        precedent=$empreinte
        capture "2-apercu-${types[$i]##*.}"
    else
        echoue "pas d'aperçu de ${types[$i]} (écart '${ecart:-}')"
    fi
done

# F1: the installed help page, beside the executable.
touches "$id" F1
aide=file://$(dirname "$(readlink -f "$programme")")/aide/aide.htm
ouvert() { grep -qxF "$aide" "$bac/ouverts" 2>/dev/null; }
attendre_que 10 ouvert && ok "F1 ouvre $aide" || echoue "F1 a ouvert '$(cat "$bac/ouverts" 2>/dev/null)' au lieu de $aide"

touches "$id" Escape
if question=$(attendre_fenetre '^IMAGORA$' 30 "$pid"); then
    capture 3-question
    ok "Échap demande s'il faut quitter"
    touches "$question" Return
else
    echoue "Échap ne pose pas la question"
fi
attendre_fin "$pid" 10 && ok "le programme se termine après Oui" || echoue "le programme tourne encore après Oui"
[ "$(cle etat)" = inactif ] && ok "etat = inactif" || echoue "etat = '$(cle etat)'"

# The newer types, one picture each, made here with Debian's encoders from the samples; in the
# list's order, each from another picture than the one before it.
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
nouveaux=(photo.avif photo.heic photo.jxl photo.png photo.svg photo.tif photo.webp)
reglages "date de debut" "01/01/2026" "dossier demarrage" "$recents" "type fichier" "0"
lancer
if id=$(attendre_fenetre "$titre_principal" 60 "$pid"); then
    eval "$(xdotool getwindowgeometry --shell "$id")"
    sleep 1
    precedent=
    for i in "${!nouveaux[@]}"; do
        if apercu_de $((X + 260)) $((Y + 118 + 18 * i)) && [ "$(md5sum <"$bac/apercu.png")" != "$precedent" ]; then
            ok "${nouveaux[$i]} s'affiche en aperçu"
            precedent=$(md5sum <"$bac/apercu.png")
            capture "6-apercu-${nouveaux[$i]##*.}"
        else
            echoue "pas d'aperçu de ${nouveaux[$i]} (écart '${ecart:-}')"
        fi
    done
    xdotool search --onlyvisible --name '^Imagora$' >/dev/null && echoue "un message est affiché"
    quitter "$id" "$pid" || { echoue "le programme tourne encore"; kill -9 "$pid"; }
else
    echoue "la fenêtre principale n'apparaît pas sur le dossier des nouveaux types"
fi

# Opened on a picture of another folder, whatever the saved folder and type.
mkdir -p "$bac/ailleurs"
cp "$echantillons/drawing.emf" "$bac/ailleurs/plan.emf"
cp "$echantillons/hopper.bmp" "$bac/ailleurs/autre.bmp"
reglages "date de debut" "01/01/2026" "dossier demarrage" "$photos" "type fichier" "1"
lancer "$bac/ailleurs/plan.emf"
if id=$(attendre_fenetre "$titre_principal" 60 "$pid"); then
    eval "$(xdotool getwindowgeometry --shell "$id")"
    if attendre_que 20 apercu_affiche; then
        capture 4-ouvert-sur-une-image
        ok "imagora plan.emf l'affiche en aperçu"
    else
        echoue "imagora plan.emf n'affiche pas d'aperçu"
    fi
    avant=$(md5sum <"$bac/apercu.png")

    # "Open with" again while it runs: the running copy shows the picture, the new one just ends.
    LANG=$langue "$programme" "$photos/hopper.bmp" &
    pid2=$!
    if attendre_fin "$pid2" 10; then
        wait "$pid2" && ok "la deuxième copie passe l'image et se termine" || echoue "la deuxième copie sort en erreur"
    else
        echoue "la deuxième copie ne se termine pas"
        kill -9 "$pid2"
    fi
    autre_apercu() { apercu_affiche && [ "$(md5sum <"$bac/apercu.png")" != "$avant" ]; }
    if attendre_que 20 autre_apercu; then
        capture 5-image-transmise
        ok "la copie qui tourne affiche hopper.bmp"
    else
        echoue "la copie qui tourne n'a pas changé d'image"
    fi
    xdotool search --onlyvisible --name '^Imagora$' >/dev/null && echoue "un message reste affiché"
    quitter "$id" "$pid" || { echoue "le programme tourne encore"; kill -9 "$pid"; }
    [ "$(cle 'type fichier')" = 1 ] && ok "le type enregistré reste le même" || echoue "type fichier = '$(cle 'type fichier')'"
else
    echoue "la fenêtre principale n'apparaît pas avec une image en argument"
fi

fin_du_script
