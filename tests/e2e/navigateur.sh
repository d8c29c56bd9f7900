#!/usr/bin/env bash
# The browser as a user meets it, on the X display of xvfb-run: it opens on a prepared folder of
# pictures, a click on the first file shows its preview, Escape asks whether to quit, Return
# answers Yes, the program ends and the settings say "inactif".
# Screenshots go to $IMAGORA_CAPTURES/navigateur (default: e2e-captures/ in the current folder).
captures=${IMAGORA_CAPTURES:-$PWD/e2e-captures}/navigateur
mkdir -p "$captures"
source "$(dirname "${BASH_SOURCE[0]}")/commun.sh"
echantillons=${SAMPLES:?SAMPLES must name the sample pictures folder}/pillow

photos=$bac/photos
mkdir -p "$photos/vacances"
for f in flower.jpg hopper.bmp chi.gif hopper.ico deerstalker.cur clipboard.dib iptc.jpg; do
    cp "$echantillons/$f" "$photos/"
done
reglages "date de debut" "01/01/2026" "dossier demarrage" "$photos" "type fichier" "0"

"$programme" &
pid=$!
if id=$(attendre_fenetre "$titre_principal" 60 "$pid"); then
    ok "la fenêtre principale s'ouvre"
    eval "$(xdotool getwindowgeometry --shell "$id")"
    sleep 1
    capture 1-navigateur

    # The first row of the file list, then the preview square (decoded in the background).
    if apercu_de $((X + 260)) $((Y + 118)); then
        capture 2-apercu
        ok "le premier fichier de la liste s'affiche en aperçu (écart $ecart)"
    else
        echoue "pas d'aperçu après un clic sur le premier fichier (écart '${ecart:-}')"
    fi

    touches "$id" Escape
    if question=$(attendre_fenetre '^IMAGORA$' 30 "$pid"); then
        capture 3-question
        ok "Échap demande s'il faut quitter"
        touches "$question" Return
    else
        echoue "Échap ne pose pas la question"
    fi
    if attendre_fin "$pid" 10; then
        ok "le programme se termine après Oui"
    else
        echoue "le programme tourne encore après Oui"
    fi
    [ "$(cle etat)" = inactif ] && ok "etat = inactif" || echoue "etat = '$(cle etat)'"
else
    echoue "la fenêtre principale n'apparaît pas"
fi

fin_du_script
