#!/usr/bin/env bash
# The options window and the screen saver as a user meets them, on the X display of xvfb-run:
#  - the options are changed with the keyboard (their tab order), saved, and found in the file;
#  - the next start reads them back: the program opens straight on the full-screen screen saver,
#    on the saved background colour, with the pointer hidden;
#  - a click closes the screen saver, the pointer comes back and the browser appears.
source "$(dirname "${BASH_SOURCE[0]}")/commun.sh"
pointeur() { "${CURSEUR:?CURSEUR must name the pointer probe}"; }

photos=$bac/photos
mkdir -p "$photos"
cp "$echantillons/hopper.bmp" "$echantillons/flower.jpg" "$echantillons/chi.gif" "$photos/"
# A red background (the colour's decimal value), no information texts, the rest as first written.
reglages "date de debut" "01/01/2026" "dossier demarrage" "$photos" "type fichier" "0" "secondes" "4" \
    "veille" "0" "couleur fond" "255" "chemin fichier" "0" "taille" "0" "informations" "0" "demarrage OS" "0"

# 1. The options, changed with the keyboard and saved.
lancer
fenetre_principale
touches "$id" alt+o
if options=$(attendre_fenetre '^OPTIONS$' 30 "$pid"); then
    sleep 0.5
    capture 1-options
    # The focus starts in the folder box; the tab order follows the window from top to bottom:
    # folder, Parcourir, types, seconds, "Démarrer en écran de veille", run at log-on, colour
    # choice, file name, information, picture size.
    touches "$options" Tab Tab Tab Down Down Tab space Tab Tab Tab space Tab Tab Down Down
    sleep 0.3
    capture 2-options-modifiees
    xdotool key alt+e
    enregistre() { [ "$(cle veille)" = 1 ]; }
    if attendre_que 10 enregistre; then
        for attendu in "secondes=6" "veille=1" "chemin fichier=1" "taille=2" "couleur fond=255" "type fichier=0" \
                       "dossier demarrage=$photos"; do
            nom=${attendu%%=*}
            verifier "$attendu ('$(cle "$nom")')" [ "$(cle "$nom")" = "${attendu#*=}" ]
        done
    else
        echoue "rien d'enregistré (veille = '$(cle veille)')"
    fi
    xdotool key alt+f
    verifier "Fermer ferme les options" attendre_que 10 sans_fenetre '^OPTIONS$'
else
    echoue "Alt+O n'ouvre pas les options"
fi
verifier "le programme se termine" quitter "$id" "$pid"

# 2. The next start reads the saved options: the screen saver comes first, full screen (the
# splash comes first under the same title: the screen saver is the window over the whole screen).
xdotool mousemove 640 512
lancer
fond_rouge() {
    import -window root "$bac/ecran.png" 2>/dev/null
    [ "$(convert "$bac/ecran.png" -format '%[pixel:p{640,1015}]' info: 2>/dev/null)" = "srgb(255,0,0)" ]
}
plein_ecran() {
    local w
    for w in $(xdotool search --all --onlyvisible --pid "$pid" --name '^Imagora$' 2>/dev/null); do
        xdotool getwindowgeometry "$w" 2>/dev/null | grep -q 'Geometry: 1280x1024' && return 0
    done
    return 1
}
verifier "l'écran de veille démarre seul, sur le fond rouge enregistré" attendre_que 60 fond_rouge
capture 3-ecran-de-veille
verifier "plein écran" plein_ecran
verifier "le pointeur est caché" [ "$(pointeur)" = cache ]
verifier "le navigateur n'est pas déjà affiché sous l'écran de veille" sans_fenetre "$titre_principal"

# 3. A click closes it: the browser appears, the pointer comes back.
xdotool click 1
fenetre_principale
ok "un clic ferme l'écran de veille et ouvre le navigateur"
sleep 0.5
capture 4-apres-veille
verifier "le pointeur est revenu" [ "$(pointeur)" = visible ]
verifier "le programme se termine" quitter "$id" "$pid"

fin_du_script
