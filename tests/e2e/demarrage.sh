#!/usr/bin/env bash
# Starts the real program on the X display of xvfb-run, as a user would (what a start writes in the
# settings, and when the splash hands over, are tst_frmintro's):
#  - first start: the splash, then the main window; the start folder is the installed program's own;
#  - a second start while it runs: its message, an exit with code 0, the first copy still there;
#  - after a crash (kill -9), the next start is not refused;
#  - a damaged settings file: its message, answered late, still leads to the main window, and the
#    file is left as it was.
source "$(dirname "${BASH_SOURCE[0]}")/commun.sh"

# 1. First start, on an empty settings file.
mkdir -p "$(dirname "$conf")" && : >"$conf"
lancer
pid1=$pid
verifier "la fenêtre d'accueil s'affiche" vue '^Imagora$' 30 "$pid1"
capture 1-accueil
verifier "puis la fenêtre principale" vue "$titre_principal" 60 "$pid1"
capture 2-fenetre-principale
dossier=$(dirname "$(readlink -f "$programme")")/
verifier "dossier demarrage = $dossier ('$(cle 'dossier demarrage')')" [ "$(cle 'dossier demarrage')" = "$dossier" ]

# 2. A second copy while the first runs.
lancer
if id=$(attendre_fenetre '^Imagora$' 30 "$pid"); then
    capture 3-deuxieme-copie
    ok "la deuxième copie affiche son message"
    for _ in 1 2 3; do # OK; again if the key went astray on a busy display
        touches "$id" Return
        attendre_fin "$pid" 5 && break
    done
else
    echoue "la deuxième copie n'affiche pas de message"
fi
if attendre_fin "$pid" 5; then
    wait "$pid"
    verifier "la deuxième copie se termine (code $?)" [ $? -eq 0 ]
else
    echoue "la deuxième copie ne se termine pas"
    kill -9 "$pid"
fi
verifier "la première copie tourne toujours" vue "$titre_principal" 1 "$pid1"

# 3. A crash leaves a lock behind; it must not refuse the next start.
kill -9 "$pid1"; wait "$pid1" 2>/dev/null
lancer
verifier "après un arrêt brutal, le programme redémarre" vue "$titre_principal" 60 "$pid"
capture 4-apres-plantage
kill "$pid"; wait "$pid" 2>/dev/null

# 4. A damaged settings file: its message, read for a few seconds before OK.
printf '[parametres]\n\000\001\377' >"$conf"
cp "$conf" "$bac/abime.conf"
lancer
if id=$(attendre_fenetre '^Imagora$' 30 "$pid"); then
    sleep 2.5
    capture 5-parametres-illisibles
    touches "$id" Return
    verifier "après le message lu longuement, la fenêtre principale s'ouvre" vue "$titre_principal" 30 "$pid"
else
    echoue "pas de message pour un fichier de réglages abîmé"
fi
verifier "le fichier abîmé est laissé tel quel" cmp -s "$conf" "$bac/abime.conf"
kill "$pid"; wait "$pid" 2>/dev/null

fin_du_script
