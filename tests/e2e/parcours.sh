#!/usr/bin/env bash
# The program as a user goes through it, on the X display of xvfb-run: preview, real-size view,
# rename and copy through the action menu, a slide show of three pictures to its end message.
source "$(dirname "${BASH_SOURCE[0]}")/commun.sh"

photos=$bac/photos
mkdir -p "$photos" "$bac/copies"
cp "$echantillons/hopper.bmp" "$photos/a.bmp"
cp "$echantillons/iptc.jpg" "$photos/b.jpg"
cp "$echantillons/chi.gif" "$photos/c.gif"
reglages "date de debut" "01/01/2026" "dossier demarrage" "$photos" "type fichier" "0" "secondes" "0"

# Clicks an action label, by its number, in the window at X, Y.
option() {
    local rang
    case $1 in 1) rang=0 ;; 2) rang=1 ;; 3) rang=2 ;; 0) rang=3 ;; 6) rang=6 ;; 7) rang=7 ;; 4) rang=8 ;; 5) rang=9 ;; esac
    xdotool mousemove $((X + 540)) $((Y + 8 + (3390 + rang * 255) / 15 + 6)) click 1
}

lancer
fenetre_principale
sleep 1

# Preview of the second file (b.jpg), then its real-size view by a double click on the preview.
apercu_de $((X + 260)) $((Y + 136)) || echoue "pas d'aperçu de b.jpg"
xdotool mousemove $((X + 599)) $((Y + 100)) click --repeat 2 --delay 80 1
if vue=$(attendre_fenetre "^Aperçu de: $photos/b.jpg\$" 30 "$pid"); then
    capture 1-taille-reelle
    geometrie=$(xdotool getwindowgeometry "$vue" | sed -n 's/.*Geometry: //p')
    verifier "vue taille réelle 640x480 ($geometrie)" [ "$geometrie" = 640x480 ]
    touches "$vue" space
    verifier "une touche ferme la vue" attendre_que 30 sans_fenetre "^Aperçu de:"
else
    echoue "pas de vue taille réelle"
fi

# Rename b.jpg to photo.jpg.
option 7
if saisie=$(attendre_fenetre '^IMAGORA$' 30 "$pid"); then
    capture 2-renommer
    touches "$saisie" ctrl+a
    xdotool type --delay 20 "photo.jpg"
    xdotool key Return
    renomme() { [ -f "$photos/photo.jpg" ] && [ ! -e "$photos/b.jpg" ]; }
    verifier "b.jpg renommé en photo.jpg" attendre_que 30 renomme
else
    echoue "pas de demande du nouveau nom"
fi

# Copy photo.jpg (now the third row) into another folder, keeping the original (the question's
# default answer).
apercu_de $((X + 260)) $((Y + 154)) || echoue "pas d'aperçu de photo.jpg"
option 6
if choix=$(attendre_fenetre '^Sélectionnez un dossier de destination$' 30 "$pid"); then
    sleep 0.5
    capture 3-dossier
    touches "$choix" ctrl+a
    xdotool type --delay 20 "$bac/copies"
    xdotool key Return
    question=$(attendre_fenetre '^IMAGORA$' 30 "$pid") && { capture 4-copie; touches "$question" Return; }
    verifier "photo.jpg copié, l'original gardé" attendre_que 30 cmp -s "$photos/photo.jpg" "$bac/copies/photo.jpg"
else
    echoue "pas de choix du dossier de destination"
fi

# A slide show of the three pictures, to its end message.
option 3
if lanceur=$(attendre_fenetre '^Diaporama/Veille$' 30 "$pid"); then
    capture 5-lanceur
    touches "$lanceur" Return
    if fin=$(attendre_fenetre '^Fin du diaporama$' 60 "$pid"); then
        capture 6-fin-du-diaporama
        ok "le diaporama arrive à son message de fin"
        touches "$fin" Return
        verifier "le lanceur se ferme après le diaporama" attendre_que 30 sans_fenetre '^Diaporama/Veille$'
    else
        echoue "pas de message de fin du diaporama"
    fi
else
    echoue "pas de lanceur"
fi
verifier "le programme se termine" quitter "$id" "$pid"

fin_du_script
