#!/usr/bin/env bash
# The options window and the screen saver as a user meets them, on the X display of xvfb-run:
#  - the options are changed with the keyboard, saved, and found in the settings file;
#  - the next start reads them back: the program opens straight on the full-screen screen saver,
#    on the saved background colour, with the pointer hidden;
#  - a click closes the screen saver, the pointer comes back and the browser appears.
source "$(dirname "${BASH_SOURCE[0]}")/commun.sh"
echantillons=${SAMPLES:?SAMPLES must name the sample pictures folder}/pillow
curseur=${CURSEUR:?CURSEUR must name the pointer probe}

photos=$bac/photos
mkdir -p "$photos"
cp "$echantillons/hopper.bmp" "$echantillons/flower.jpg" "$echantillons/chi.gif" "$photos/"
# A red background (the colour's decimal value), no information texts, the rest as first written.
reglages "date de debut" "01/01/2026" "dossier demarrage" "$photos" "type fichier" "0" "secondes" "4" \
    "veille" "0" "couleur fond" "255" "chemin fichier" "0" "taille" "0" "informations" "0" "demarrage OS" "0"

pointeur() { "$curseur"; }

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
        ok "Enregistrer écrit les réglages"
        for attendu in "secondes=6" "veille=1" "chemin fichier=1" "taille=2" "couleur fond=255" "type fichier=0" \
                       "dossier demarrage=$photos"; do
            nom=${attendu%%=*}
            [ "$(cle "$nom")" = "${attendu#*=}" ] && ok "$attendu" || echoue "$nom = '$(cle "$nom")' au lieu de '${attendu#*=}'"
        done
    else
        echoue "rien d'enregistré (veille = '$(cle veille)')"
    fi
    xdotool key alt+f
    options_fermees() { ! xdotool search --onlyvisible --name '^OPTIONS$' >/dev/null; }
    attendre_que 10 options_fermees && ok "Fermer ferme les options" || echoue "les options restent ouvertes"
else
    echoue "Alt+O n'ouvre pas les options"
fi
quitter "$id" "$pid" && ok "le programme se termine" || { echoue "le programme tourne encore"; kill -9 "$pid"; }

# 2. The next start reads the saved options: the screen saver comes first, full screen.
xdotool mousemove 640 512
lancer
fond_rouge() {
    import -window root "$bac/ecran.png" 2>/dev/null
    [ "$(convert "$bac/ecran.png" -format '%[pixel:p{640,1015}]' info: 2>/dev/null)" = "srgb(255,0,0)" ]
}
# The splash comes first, under the same title; the screen saver is the window over the whole screen.
plein_ecran() {
    local w
    for w in $(xdotool search --all --onlyvisible --pid "$pid" --name '^Imagora$' 2>/dev/null); do
        xdotool getwindowgeometry "$w" 2>/dev/null | grep -q 'Geometry: 1280x1024' && return 0
    done
    return 1
}
if attendre_que 60 fond_rouge; then
    capture 3-ecran-de-veille
    ok "l'écran de veille démarre seul, sur le fond rouge enregistré"
    plein_ecran && ok "plein écran" || echoue "l'écran de veille ne couvre pas l'écran"
    [ "$(pointeur)" = cache ] && ok "le pointeur est caché" || echoue "le pointeur reste visible"
    if xdotool search --onlyvisible --name "$titre_principal" >/dev/null; then
        echoue "le navigateur est déjà affiché sous l'écran de veille"
    fi

    # 3. A click closes it: the pointer comes back, then the browser appears.
    xdotool click 1
    if id=$(attendre_fenetre "$titre_principal" 30 "$pid"); then
        ok "un clic ferme l'écran de veille et ouvre le navigateur"
        sleep 0.5
        capture 4-apres-veille
        [ "$(pointeur)" = visible ] && ok "le pointeur est revenu" || echoue "le pointeur reste caché"

        # The options window reads the file back: saving again, after a change undone, rewrites
        # the very same settings.
        cp "$conf" "$bac/enregistre.conf"
        sleep 1
        touches "$id" alt+o
        if options=$(attendre_fenetre '^OPTIONS$' 30 "$pid"); then
            sleep 0.5
            capture 5-options-relues
            # To "file name" (the colour choice is one stop), ticked twice, then saved.
            touches "$options" Tab Tab Tab Tab Tab Tab Tab space space alt+e
            reecrit() { [ "$conf" -nt "$bac/enregistre.conf" ]; }
            attendre_que 10 reecrit || echoue "Enregistrer n'a pas réécrit les réglages"
            cmp -s "$conf" "$bac/enregistre.conf" && ok "les options relues sont celles enregistrées" \
                || { echoue "les options relues diffèrent:"; diff "$bac/enregistre.conf" "$conf"; }
            xdotool key alt+f
            attendre_que 10 options_fermees || echoue "les options restent ouvertes"
        else
            echoue "Alt+O n'ouvre pas les options"
        fi
        quitter "$id" "$pid" && ok "le programme se termine" || echoue "le programme tourne encore"
        [ "$(cle etat)" = inactif ] && ok "etat = inactif" || echoue "etat = '$(cle etat)'"
    else
        echoue "le navigateur n'apparaît pas après le clic"
    fi
else
    capture 3-ecran-de-veille
    echoue "pas d'écran de veille sur le fond rouge enregistré au démarrage"
fi

fin_du_script
