# Shared by the end-to-end scripts: a fresh home for the program, window look-ups, screenshots
# and the pass/fail count. Sourced with the program's path in $1. Screenshots go to
# $IMAGORA_CAPTURES/<script name> (default: e2e-captures/ in the current folder).
set -u

programme=${1:?usage: $0 /chemin/vers/Imagora}
captures=${IMAGORA_CAPTURES:-$PWD/e2e-captures}/$(basename "$0" .sh)
mkdir -p "$captures"
bac=$(mktemp -d)
trap 'kill -9 $(jobs -p) 2>/dev/null; rm -rf "$bac"' EXIT
export HOME=$bac/home XDG_CONFIG_HOME=$bac/home/.config XDG_DATA_HOME=$bac/home/.local/share XDG_RUNTIME_DIR=$bac/run \
    XDG_CACHE_HOME=$bac/home/.cache
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM
# The program runs as for a French-speaking user (LANG=$langue); the scripts keep their own locale.
export LC_ALL= LANGUAGE=
source "$(dirname "${BASH_SOURCE[0]}")/langue.sh" "$bac"
conf=$XDG_CONFIG_HOME/Imagora/Imagora.conf
titre_principal="^\[ IMAGORA \] - Visualiseur d'images$"
echantillons=${SAMPLES:?SAMPLES must name the sample pictures folder}/pillow
echecs=0

# xvfb-run starts the command once its server answers; on a loaded machine, make sure it does
# before the program's first connection.
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

echoue() { echo "ÉCHEC: $*"; echecs=$((echecs + 1)); }
ok() { echo "ok: $*"; }
# verifier MESSAGE COMMAND...: ok or failure, as the command succeeds.
verifier() { local quoi=$1; shift; if "$@"; then ok "$quoi"; else echoue "$quoi"; fi; }
capture() { command -v import >/dev/null && import -window root "$captures/$1.png" 2>/dev/null; }

# Waits up to $2 seconds for a visible window whose title matches $1 (owned by pid $3 when given);
# prints its id.
attendre_fenetre() {
    local fin=$(( $(date +%s) + $2 )) id
    while [ "$(date +%s)" -le "$fin" ]; do
        id=$(xdotool search ${3:+--all --pid "$3"} --onlyvisible --name "$1" 2>/dev/null | head -n 1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}
# The same, silent: true when the window came.
vue() { attendre_fenetre "$@" >/dev/null; }
# True while no visible window's title matches $1.
sans_fenetre() { ! xdotool search --onlyvisible --name "$1" >/dev/null; }

# Waits up to $2 seconds for process $1 to end; false when it still runs.
attendre_fin() {
    for _ in $(seq $(( $2 * 10 ))); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
    ! kill -0 "$1" 2>/dev/null
}

# Waits up to $1 seconds for the command that follows to succeed.
attendre_que() {
    local fin=$(( $(date +%s) + $1 )); shift
    until "$@"; do
        [ "$(date +%s)" -ge "$fin" ] && return 1
        sleep 0.2
    done
}

# Value of a setting in the settings file.
cle() { sed -n "s/^$(printf '%s' "$1" | sed 's/ /%20/g')=//p" "$conf"; }

# Writes settings before a start: reglages "dossier demarrage" /chemin ...
reglages() {
    mkdir -p "$(dirname "$conf")"
    { echo "[parametres]"; while [ $# -ge 2 ]; do printf '%s=%s\n' "$(printf '%s' "$1" | sed 's/ /%20/g')" "$2"; shift 2; done; } >"$conf"
}

# Sends keys to a window after giving it the focus.
touches() {
    local id=$1; shift
    xdotool windowfocus --sync "$id" 2>/dev/null
    xdotool key "$@"
}

# Starts the program as a French-speaking user, with the arguments given; its pid in $pid.
lancer() {
    LANG=$langue "$programme" "$@" &
    pid=$!
}

# Waits for the main window of $pid: its id in $id, its place in $X, $Y; the script ends when it
# does not come.
fenetre_principale() {
    id=$(attendre_fenetre "$titre_principal" 60 "$pid") || { echoue "la fenêtre principale n'apparaît pas"; fin_du_script; exit 1; }
    eval "$(xdotool getwindowgeometry --shell "$id")"
}

# Quits as a user does: Escape in the main window $1, Return to the question; false when the
# program $2 still runs 10 s later (it is then killed).
quitter() {
    touches "$1" Escape
    local question
    question=$(attendre_fenetre '^IMAGORA$' 30 "$2") && touches "$question" Return
    attendre_fin "$2" 10 || { kill -9 "$2"; return 1; }
}

fin_du_script() {
    echo "captures: $captures"
    [ "$echecs" -eq 0 ]
}

# True when the browser's preview square (window at X, Y) shows a picture rather than a plain colour.
apercu_affiche() {
    import -window root -crop 145x145+$((X + 571))+$((Y + 28)) "$bac/apercu.png" 2>/dev/null
    ecart=$(convert "$bac/apercu.png" -colorspace Gray -format '%[fx:standard_deviation]' info: 2>/dev/null)
    awk -v e="${ecart:-0}" 'BEGIN { exit !(e > 0.05) }'
}

# Clicks a row of the file list at ($1, $2) until its preview shows (a click on a busy display can
# be lost); false after three tries.
apercu_de() {
    for _ in 1 2 3; do
        xdotool mousemove "$1" "$2" click 1
        attendre_que 10 apercu_affiche && return 0
    done
    return 1
}

# Clicks the rows of the file list in turn, from the first; $@ names their files. Each shows a
# picture, and not the one before.
apercus() {
    local precedent="" i=0 nom
    for nom in "$@"; do
        if apercu_de $((X + 260)) $((Y + 118 + 18 * i)) && [ "$(md5sum <"$bac/apercu.png")" != "$precedent" ]; then
            ok "$nom s'affiche en aperçu"
            capture "apercu-$nom"
        else
            echoue "pas d'aperçu de $nom, ou le même qu'avant (écart '${ecart:-}')"
        fi
        precedent=$(md5sum <"$bac/apercu.png" 2>/dev/null)
        i=$((i + 1))
    done
}
