#!/usr/bin/env bash
# Starts the real program on the X display of xvfb-run, as a user would:
#  - first start on an empty settings file: the splash, then the main window about two seconds
#    later, the thirteen settings;
#  - a second start while it runs: the message, an exit, and a settings file left byte for byte;
#  - after a crash (kill -9), the next start is not refused;
#  - a damaged settings file: its message, answered late, still leads to the main window.
# Screenshots of each step go to $IMAGORA_CAPTURES/demarrage.
source "$(dirname "${BASH_SOURCE[0]}")/commun.sh"

# 1. First start, on an empty settings file.
mkdir -p "$(dirname "$conf")" && : >"$conf"
debut=$(maintenant_ms)
LANG=$langue "$programme" &
pid1=$!
if attendre_fenetre '^Imagora$' 30 "$pid1" >/dev/null; then
    capture 1-accueil
    ok "la fenêtre d'accueil s'affiche"
else
    echoue "pas de fenêtre d'accueil"
fi
if attendre_fenetre "$titre_principal" 60 "$pid1" >/dev/null; then
    delai=$(( $(maintenant_ms) - debut ))
    capture 2-fenetre-principale
    # The splash stays for two ticks of one second; a busy machine may take longer, never less.
    if [ "$delai" -ge 1500 ]; then
        ok "la fenêtre principale s'ouvre après $delai ms"
    else
        echoue "la fenêtre principale s'ouvre après $delai ms, avant les deux secondes de l'accueil"
    fi
else
    echoue "la fenêtre principale n'apparaît pas"
fi

if [ -f "$conf" ]; then
    n=$(grep -c '=' "$conf")
    [ "$n" -eq 13 ] && ok "13 réglages écrits" || echoue "$n réglages au lieu de 13"
    [ "$(cle etat)" = actif ] && ok "etat = actif" || echoue "etat = '$(cle etat)'"
    [[ "$(cle 'date de debut')" =~ ^[0-9]{2}/[0-9]{2}/[0-9]{4}$ ]] && ok "date de debut = $(cle 'date de debut')" \
        || echoue "date de debut = '$(cle 'date de debut')'"
    [ "$(cle secondes)" = 4 ] && ok "secondes = 4" || echoue "secondes = '$(cle secondes)'"
    # The installed program's own folder, as the first start folder.
    dossier=$(dirname "$(readlink -f "$programme")")/
    [ "$(cle 'dossier demarrage')" = "$dossier" ] && ok "dossier demarrage = $dossier" \
        || echoue "dossier demarrage = '$(cle 'dossier demarrage')' au lieu de $dossier"
else
    echoue "pas de fichier de réglages $conf"
fi

# 2. A second copy while the first runs.
cp "$conf" "$bac/avant.conf" 2>/dev/null
LANG=$langue "$programme" &
pid2=$!
if id=$(attendre_fenetre '^Imagora$' 30 "$pid2"); then
    capture 3-deuxieme-copie
    ok "la deuxième copie affiche son message"
    # OK; again if the key went astray on a busy display.
    for _ in 1 2 3; do
        touches "$id" Return
        attendre_fin "$pid2" 5 && break
    done
else
    echoue "la deuxième copie n'affiche pas de message"
fi
if ! attendre_fin "$pid2" 5; then
    echoue "la deuxième copie ne se termine pas"
    kill -9 "$pid2"
else
    wait "$pid2"; code=$?
    [ "$code" -eq 0 ] && ok "la deuxième copie se termine" || echoue "la deuxième copie sort avec le code $code"
fi
cmp -s "$conf" "$bac/avant.conf" && ok "réglages inchangés octet pour octet" || echoue "la deuxième copie a modifié les réglages"
attendre_fenetre "$titre_principal" 1 "$pid1" >/dev/null && ok "la première copie tourne toujours" \
    || echoue "la première copie a disparu"

# 3. A crash leaves a lock behind; it must not refuse the next start.
kill -9 "$pid1"; wait "$pid1" 2>/dev/null
LANG=$langue "$programme" &
pid3=$!
if attendre_fenetre "$titre_principal" 60 "$pid3" >/dev/null; then
    capture 4-apres-plantage
    ok "après un arrêt brutal, le programme redémarre"
else
    echoue "après un arrêt brutal, le programme ne redémarre pas"
fi
kill "$pid3" 2>/dev/null; wait "$pid3" 2>/dev/null

# 4. A damaged settings file: its message, read for a few seconds before OK, still leads to the
#    splash and then the main window, and the file is left as it was.
printf '[parametres]\n\000\001\377' >"$conf"
cp "$conf" "$bac/abime.conf"
LANG=$langue "$programme" &
pid4=$!
if id=$(attendre_fenetre '^Imagora$' 30 "$pid4"); then
    sleep 2.5
    capture 5-parametres-illisibles
    touches "$id" Return
    if attendre_fenetre "$titre_principal" 30 "$pid4" >/dev/null; then
        ok "après le message lu longuement, la fenêtre principale s'ouvre"
    else
        capture 6-bloque
        echoue "après le message sur les réglages, le programme reste bloqué"
    fi
else
    echoue "pas de message pour un fichier de réglages abîmé"
fi
cmp -s "$conf" "$bac/abime.conf" && ok "le fichier abîmé est laissé tel quel" || echoue "le fichier abîmé a été modifié"
kill "$pid4" 2>/dev/null; wait "$pid4" 2>/dev/null

fin_du_script
