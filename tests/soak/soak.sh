#!/usr/bin/env bash
# Soak test: the installed program, on the X display of xvfb-run with the Openbox window manager,
# gets random but valid input through whichever of its windows is on top, for a set time:
#   soak.sh /path/to/bin/imagora SECONDS
# Its home is a sandbox holding a few hundred pictures (every sample type, good and damaged, links,
# odd and non-UTF-8 names, one large picture); the rest of the machine is read-only to it and the
# desktop's openers are stand-ins that only note what they were asked. It fails when the program
# crashes or ends in error, a sanitizer reports, a window of the program leaves a _NET_WM_PING
# unanswered for 2 s, it shows no window for 30 s, a picture's content is found nowhere afterwards,
# or a file outside the sandbox changed. A normal quit (Escape, Oui) just starts it again.
# Environment: SAMPLES, SONDE (the soak_sonde probe), SOAK_GRAINE (seed), SOAK_RAPPORTS (where a
# failed run leaves its evidence), SOAK_CAPTURES=N (a screenshot every N inputs), SOAK_REJOUER=LOG
# (the inputs of a run's entrees.log sent again instead of random ones), ASAN_OPTIONS & co.
set -u
programme=$(readlink -f "$(dirname "${1:?usage: $0 /chemin/vers/imagora SECONDES}")")/$(basename "$1")
duree=${2:?usage: $0 /chemin/vers/imagora SECONDES}
echantillons=${SAMPLES:?SAMPLES must name the sample pictures folder}
sonde=${SONDE:?SONDE must name the soak_sonde probe}
graine=${SOAK_GRAINE:-$(( ($(date +%s%N) / 1000) % 1000000000 ))}
tous_les=${SOAK_CAPTURES:-0}
mkdir -p "${SOAK_RAPPORTS:-$PWD/soak-rapports}"
rapports=$(cd "${SOAK_RAPPORTS:-$PWD/soak-rapports}" && pwd)/soak-$graine
rm -rf "$rapports" && mkdir -p "$rapports"
a_rejouer=()
[ -n "${SOAK_REJOUER:-}" ] && mapfile -t a_rejouer <"$SOAK_REJOUER"
vrai_home=$HOME
bac=$(mktemp -d "${TMPDIR:-/tmp}/imagora-soak.XXXXXX")
pid="" pid_wm=""
trap 'kill -9 $pid $pid_wm 2>/dev/null; wait 2>/dev/null; rm -rf "$bac"' EXIT
trap 'exit 2' INT TERM HUP
echo "graine: $graine (SOAK_GRAINE=$graine pour rejouer la même suite de choix); durée: $duree s; $programme"
x() { timeout -k 1 10 "$@"; } # each X client started here is bounded in time
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# ---- the sandbox: pictures and copy targets in the home, so the drive list's home leads to them --
images=$bac/home/images cibles=$bac/home/cibles journal=$bac/journal
mkdir -p "$images/liens" "$images/sous-dossier" "$cibles/un" "$cibles/deux" "$cibles/trois été" "$journal/asan" \
    "$bac/bin" "$bac/run" "$bac/tmp" "$bac/systeme/share" "$bac/systeme/xdg" && chmod 700 "$bac/run"
mkfifo "$bac/attente" && exec 9<>"$bac/attente"
pause_ms() { read -r -t "$(printf '0.%03d' "$1")" -u 9 _; } # without starting a process

# Every sample the program lists, good and damaged, under a name of its own; then copies of half of
# them under other names (accents, spaces, other letter cases).
originaux=()
for f in "$echantillons"/pillow/* "$echantillons"/pillow/bmp/*/* "$echantillons"/metafiles/*/*; do
    [ -f "$f" ] && [[ ${f,,} =~ \.(bmp|dib|gif|jpg|jpeg|wmf|emf|cur|ico)$ ]] || continue
    case $f in
        "$echantillons"/pillow/bmp/*) nom=bmp-$(basename "$(dirname "$f")")-$(basename "$f") ;;
        "$echantillons"/metafiles/*) nom=$(basename "$(dirname "$f")")-$(basename "$f") ;;
        *) nom=$(basename "$f") ;;
    esac
    cp -- "$f" "$images/$nom" && originaux+=("$nom")
done
variantes=("Copie de %s" "%s (2)" "vacances été 2024 - %s" "ÉCRAN %s" "photo n°%s")
for ((i = 0; i < ${#originaux[@]}; i += 2)); do
    o=${originaux[$i]} && base=${o%.*} ext=${o##*.}
    case $((i % 6)) in 0) ext=${ext^^} ;; 2) ext=${ext^} ;; esac
    # shellcheck disable=SC2059
    cp -- "$images/$o" "$images/$(printf "${variantes[$((i / 2 % 5))]}" "$base").$ext"
done
p=$echantillons/pillow
while read -r source nom; do cp -- "$p/$source" "$images/$(printf -- "$nom")"; done <<'FIN'
hopper.jpg avec des espaces.jpg
flower.jpg été à la plage.JPG
hopper.gif Ça déçoit.Gif
hopper.bmp l'image "citée".bmp
iptc.jpg -tiret.jpg
hopper.ico .cachée.ico
chi.gif étoile*et?question.gif
hopper.bmp anti\\oblique.bmp
flower.jpg a\xff.jpg
hopper.jpg a\xef\xbf\xbd.jpg
chi.gif \xe9t\xe9 latin-1.gif
hopper.bmp sous-dossier/dans le sous-dossier.bmp
FIN
cp -- "$p/hopper.jpg" "$images/$(printf 'tres-long-nom-%.0s' $(seq 16))fin.jpeg"
printf 'pas une image\n' >"$images/texte.jpg"
: >"$images/vide.bmp"
# Links: beside their target, to a link, dangling, absolute, and a folder of links to the pictures.
ln -s "avec des espaces.jpg" "$images/lien vers espaces.jpg"
ln -s "lien vers espaces.jpg" "$images/lien vers lien.jpg"
ln -s "absent.jpg" "$images/lien cassé.jpg"
ln -s "$images/-tiret.jpg" "$images/lien absolu.JPG"
for o in "${originaux[@]}" "avec des espaces.jpg" $'a\xff.jpg' "été à la plage.JPG"; do ln -s "../$o" "$images/liens/$o"; done
# A picture large enough that its preview takes a moment.
convert -size 9000x7000 gradient:navy-orange "BMP3:$images/grande image.bmp" || { echo "ÉCHEC: pas de grande image"; exit 1; }

export HOME=$bac/home XDG_CONFIG_HOME=$bac/home/.config XDG_DATA_HOME=$bac/home/.local/share \
    XDG_CACHE_HOME=$bac/home/.cache XDG_RUNTIME_DIR=$bac/run TMPDIR=$bac/tmp
conf=$XDG_CONFIG_HOME/Imagora/Imagora.conf
mkdir -p "$(dirname "$conf")"
printf '[parametres]\ndate%%20de%%20debut=01/01/2026\ndossier%%20demarrage=%s\ntype%%20fichier=0\n' "$images" >"$conf"
# No desktop, no default application ("Editer avec..." finds none); the MIME database and icons stay.
ln -s /usr/share/mime /usr/share/icons "$bac/systeme/share/"
# The desktop's openers and settings tools, and the system tools the program may start: stand-ins.
for outil in xdg-open gio kde-open kde-open5 kioclient5 exo-open gnome-open gvfs-open gsettings dbus-send \
    xfconf-query hardinfo2 hardinfo kinfocenter gnome-system-monitor mate-system-monitor xscreensaver-settings \
    xscreensaver-demo xfce4-screensaver-preferences mate-screensaver-preferences cinnamon-settings \
    gnome-control-center systemsettings systemsettings5 lxqt-config-monitor; do
    printf '#!/bin/sh\necho "$(basename "$0") $*" >>"%s"\n' "$journal/ouvertures" >"$bac/bin/$outil"
    chmod +x "$bac/bin/$outil"
done
printf 'autospawn = no\n' >"$bac/pulse-client.conf"
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/langue.sh" "$bac" # French user (see tests/e2e/commun.sh)
[ -n "${ASAN_OPTIONS:-}" ] && export ASAN_OPTIONS="$ASAN_OPTIONS:log_path=$journal/asan/asan"
[ -n "${UBSAN_OPTIONS:-}" ] && export UBSAN_OPTIONS="$UBSAN_OPTIONS:log_path=$journal/asan/ubsan"

# ---- what must not be lost: every content of the sandbox, and the places outside it the program
# could reach by mistake (the real home's settings and trash listed even when missing) ------------
empreintes() { find "$@" -type f -exec sha256sum -- {} + 2>/dev/null | sort; }
etat_dehors() {
    local d
    for d in "$echantillons" "$(dirname "$(dirname "$programme")")" "$vrai_home/.config/Imagora" "$vrai_home/.local/share/Trash"; do
        find "$d" -printf '%p\t%y\t%s\t%l\n' 2>/dev/null
        empreintes "$d"
    done | LC_ALL=C sort
}
empreintes "$images" "$cibles" >"$journal/avant"
etat_dehors >"$journal/dehors-avant"
echo "dossier d'images: $(find "$images" -type f | wc -l) fichiers, $(find "$images" -type l | wc -l) liens"

# ---- Openbox: focus on new windows and on click, Alt+F4 closes; no menus, no other keys (a "Frame"
# binding without a modifier would take every click of the window for itself) --------------------
cat >"$bac/rc.xml" <<'FIN'
<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <focus><focusNew>yes</focusNew><followMouse>no</followMouse></focus>
  <placement><policy>Smart</policy></placement><theme><name>Clearlooks</name></theme><desktops><number>1</number></desktops>
  <keyboard><keybind key="A-F4"><action name="Close"/></keybind></keyboard>
  <mouse>
    <context name="Client"><mousebind button="Left" action="Press"><action name="Focus"/><action name="Raise"/></mousebind></context>
    <context name="Titlebar"><mousebind button="Left" action="Drag"><action name="Move"/></mousebind></context>
  </mouse>
</openbox_config>
FIN
openbox --sm-disable --config-file "$bac/rc.xml" >"$journal/openbox" 2>&1 &
pid_wm=$!
wm_pret() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
for _ in $(seq 100); do wm_pret && break; sleep 0.1; done
wm_pret || { echo "ÉCHEC: le gestionnaire de fenêtres ne démarre pas"; cat "$journal/openbox"; exit 1; }

# ---- the program, in a private mount namespace where the sandbox stays writable and every other
# mount becomes read-only (root does it directly, a user through a user namespace) -----------------
enfermer=(unshare -m --propagation private --)
[ "$(id -u)" -ne 0 ] && enfermer=(unshare -r -m --propagation private --)
# shellcheck disable=SC2016
enfermement='
bac=$1; shift
mount --bind "$bac" "$bac" || exit 97
while read -r _ _ _ _ point _ options _; do
    case $point in /proc|/proc/*|/sys|/sys/*|/dev|/dev/*|"$bac") continue ;; esac
    case ,$options, in *,ro,*) continue ;; esac
    mount -o remount,bind,ro "$point" 2>/dev/null
done </proc/self/mountinfo
if [ -w / ] || [ ! -w "$bac" ]; then exit 97; fi
[ "$1" = --essai ] && exit 0
cd "$bac" && exec "$@"'
"${enfermer[@]}" bash -c "$enfermement" enfermer "$bac" --essai \
    || { echo "ÉCHEC: impossible de rendre le reste de la machine en lecture seule (${enfermer[*]})"; exit 1; }

demarrages=0 entrees=0 entrees_au_demarrage=0
demarrer() {
    demarrages=$((demarrages + 1)) entrees_au_demarrage=$entrees
    # A start folder chosen in the options outside the sandbox would leave nothing to act on.
    local dossier
    dossier=$(sed -n 's/^dossier%20demarrage=//p' "$conf" 2>/dev/null)
    if [[ $dossier != "$bac"/* || ! -d $dossier ]] && [ -f "$conf" ]; then
        { grep -v '^dossier%20demarrage=' "$conf"; echo "dossier%20demarrage=$images"; } >"$bac/tmp/conf" && cp "$bac/tmp/conf" "$conf"
    fi
    PATH=$bac/bin:/usr/local/bin:/usr/bin:/bin XDG_DATA_DIRS=$bac/systeme/share XDG_CONFIG_DIRS=$bac/systeme/xdg \
        DBUS_SESSION_BUS_ADDRESS=unix:path=$bac/run/pas-de-bus PULSE_SERVER=unix:$bac/run/pas-de-son \
        PULSE_CLIENTCONFIG=$bac/pulse-client.conf XDG_CURRENT_DESKTOP= DESKTOP_SESSION= LANG=$langue LC_ALL= LANGUAGE= \
        QT_QPA_PLATFORM=xcb "${enfermer[@]}" bash -c "$enfermement" enfermer "$bac" "$programme" \
        >>"$journal/sortie.$demarrages" 2>>"$journal/erreurs.$demarrages" &
    pid=$!
}

# ---- random input ---------------------------------------------------------------------------------
RANDOM=$graine
# Six draws a step, whatever the step does with them: a seed gives the same sequence of choices.
tirer() { local i; for i in 0 1 2 3 4 5; do t[i]=$(( (RANDOM << 15) | RANDOM )); done; }
# Weighted choice: choisir DRAW w1 w2 ... sets c to the index drawn.
choisir() {
    local r=$1 total=0 p
    shift
    for p in "$@"; do total=$((total + p)); done
    r=$((r % total)) c=0
    for p in "$@"; do ((r < p)) && return; r=$((r - p)) c=$((c + 1)); done
}
# A short random text from a draw: letters, digits, accents, dots, sometimes a slash.
lettres=(a b c d e f g h i j k l m n o p q r s t u v w x y z A B E M Z 0 1 2 3 4 5 6 7 8 9 é è à ç ù ô É . . _ - ' ')
texte_de() {
    local x=$1 i
    texte=
    for ((i = 0; i < 1 + $1 % 12; i++)); do
        x=$(( (x * 1103515245 + 12345) & 0x7fffffff ))
        texte+=${lettres[$(( (x >> 8) % ${#lettres[@]} ))]}
    done
    (( (x >> 4) % 7 == 0 )) && texte="${texte:0:3}/${texte:3}"
    [[ $texte == -* ]] && texte=x$texte
}
# Copy targets; the pictures folder itself and its folder of links to its own files come twice.
chemins=("$cibles/un" "$cibles/deux" "$cibles/trois été" "$images/liens" "$images" "$images/sous-dossier" "$cibles"
    "$images/liens" "$images")
touches=(Return Escape Tab shift+Tab Up Down Left Right Home End Prior Next Delete space F1 F2 BackSpace ctrl+a)
# In the browser, Escape asks to quit and Return opens the options; elsewhere they are the ways out.
poids_touches_navigateur=(2 4 10 3 8 10 4 4 4 4 4 4 5 8 2 2 3 2)
poids_touches_dialogue=(12 12 10 3 6 6 4 4 3 3 2 2 3 8 1 1 3 2)
accelerateurs=(alt+F4 alt+o alt+q alt+p alt+a alt+e alt+f alt+r alt+c alt+v alt+i)
# In the boxes, Oui and Non (Alt+O, Alt+N) as often as the rest together.
accelerateurs_boites=(alt+o alt+n alt+o alt+n alt+o alt+n alt+F4 alt+a alt+e alt+f alt+r alt+c)
navigateur="[ IMAGORA ] - Visualiseur d'images"
declare -A par_fenetre
plus_long_ping=0 dernier_ping=0 echec=

# The program's window on top (tooltips aside): sets fen_*; false when it shows none.
fenetre_du_haut() {
    local ligne
    ligne=$(x "$sonde" haut "$pid" 2>/dev/null) && [ -n "$ligne" ] || return 1
    IFS=$'\t' read -r fen_id fen_x fen_y fen_l fen_h fen_genre fen_focus fen_titre <<<"$ligne"
}
boite() { [[ $fen_titre == IMAGORA || $fen_titre == Imagora ]] && ((fen_l < 700)); }

# A point of the window from two draws: px, py in window coordinates, within rectangle x0 y0 x1 y1.
point_dans() { px=$(( $1 + $5 % ($3 - $1 + 1) )) py=$(( $2 + $6 % ($4 - $2 + 1) )); }
# Where a click goes, biased towards the controls. Sets px, py.
cible_clic() {
    local a=${t[1]} b=${t[2]} r=${t[3]} k
    if [[ $fen_titre == "$navigateur" ]] && ((fen_l >= 700)); then
        # File list, action labels, view buttons, folder list (below the rows of the sandbox's
        # parents: a click there stays in the sandbox), drives, type filter, preview, Options,
        # Quitter, anywhere.
        choisir "$r" 30 24 7 10 2 5 7 2 2 10
        case $c in
            0) point_dans 218 84 493 396 "$a" "$b" ;;
            # Real size, edit, show, wallpaper; copy/move, rename, delete, search: those that move
            # files come more often.
            1) choisir "$a" 1 1 1 1 3 2 2 1 && k=$c
               if ((k < 4)); then point_dans 540 $((235 + 17 * k)) 700 $((247 + 17 * k)) "$b" "$r"
               else point_dans 540 $((337 + 17 * (k - 4))) 700 $((349 + 17 * (k - 4))) "$b" "$r"; fi ;;
            2) k=$((a % 6)) && point_dans $((358 + 27 * k)) 54 $((375 + 27 * k)) 74 "$b" "$r" ;;
            3) point_dans 10 158 190 430 "$a" "$b" ;;
            4) point_dans 10 28 190 46 "$a" "$b" ;;
            5) point_dans 258 28 493 46 "$a" "$b" ;;
            6) point_dans 573 30 714 171 "$a" "$b" ;;
            7) point_dans 377 404 441 425 "$a" "$b" ;;
            8) point_dans 449 404 513 425 "$a" "$b" ;;
            *) point_dans 0 0 $((fen_l - 1)) $((fen_h - 1)) "$a" "$b" ;;
        esac
    elif ((fen_l < 1000)) && [[ $fen_titre != "Aperçu de:"* && $fen_titre != DIAPORAMA* ]] && ((r % 100 < 45)); then
        point_dans 0 $((fen_h * 85 / 100)) $((fen_l - 1)) $((fen_h - 1)) "$a" "$b" # a box's buttons
    else
        point_dans 0 0 $((fen_l - 1)) $((fen_h - 1)) "$a" "$b"
    fi
}

# Keys go to the window on top: give it the focus when something else has it.
focus_sur_fenetre() {
    case $fen_genre in combo | popup_menu | dropdown_menu | menu) return ;; esac
    ((fen_focus)) || x xdotool windowactivate "$fen_id" 2>/dev/null
}

# Sends one input to the window on top and logs it: envoyer KIND ARGUMENT, where KIND is clic,
# double-clic or souris (a pointer move; ARGUMENT "x,y" in the window), touche or raccourci (a key
# for xdotool), texte (typed; a final ⏎ is Return) or chemin (the field's text replaced by this
# path, then Return).
envoyer() {
    local sorte=$1 argument=$2 ax ay
    case $sorte in
        clic | double-clic | souris)
            ax=$((fen_x + ${argument%,*})) ay=$((fen_y + ${argument#*,}))
            ax=$((ax < 0 ? 0 : ax > 1279 ? 1279 : ax)) ay=$((ay < 0 ? 0 : ay > 1023 ? 1023 : ay))
            case $sorte in
                clic) x xdotool mousemove "$ax" "$ay" click 1 ;;
                double-clic) x xdotool mousemove "$ax" "$ay" click --repeat 2 --delay 60 1 ;;
                souris) x xdotool mousemove "$ax" "$ay" ;;
            esac ;;
        touche | raccourci) focus_sur_fenetre; x xdotool key --delay 20 "$argument" ;;
        texte) focus_sur_fenetre; x xdotool type --delay 12 "${argument%⏎}"; [[ $argument == *⏎ ]] && x xdotool key Return ;;
        chemin) focus_sur_fenetre; x xdotool key ctrl+a type --delay 12 "$argument"; x xdotool key Return ;;
    esac 2>/dev/null
    entrees=$((entrees + 1))
    local nom="${fen_titre%%: *} [$fen_genre]"
    par_fenetre[$nom]=$(( ${par_fenetre[$nom]:-0} + 1 ))
    # Tab-separated: number, time, kind, argument, window; SOAK_REJOUER reads it back.
    printf '%d\t%.1fs\t%s\t%s\t%s\n' "$entrees" "$(( ${EPOCHREALTIME/./} / 1000 - debut_ms ))e-3" "$sorte" "$argument" \
        "$fen_titre" >>"$journal/entrees"
}

# One random input to the window on top: a click, double click, key, text, pointer move or accelerator.
entree_aleatoire() {
    tirer
    local dans_nav=0 part=20
    [[ $fen_titre == "$navigateur" ]] && dans_nav=1
    if ((dans_nav)); then choisir "${t[0]}" 44 12 25 8 6 5
    elif [[ $fen_titre == Sélectionnez* ]]; then choisir "${t[0]}" 40 6 25 20 4 5
    elif boite; then choisir "${t[0]}" 40 4 30 10 4 12
    else choisir "${t[0]}" 45 6 30 10 4 5; fi
    case $c in
        0) cible_clic; envoyer clic "$px,$py" ;;
        1) cible_clic; envoyer double-clic "$px,$py" ;;
        2) if ((dans_nav)); then choisir "${t[1]}" "${poids_touches_navigateur[@]}"
           else choisir "${t[1]}" "${poids_touches_dialogue[@]}"; fi
           envoyer touche "${touches[$c]}" ;;
        3) # In the folder choice, mostly a copy target typed in and Return; elsewhere short texts.
           [[ $fen_titre == Sélectionnez* ]] && part=75
           if (( t[2] % 100 < part )); then
               envoyer chemin "${chemins[$(( t[1] % ${#chemins[@]} ))]}"
           else
               texte_de "${t[1]}"
               (( t[2] % 3 == 0 )) && texte+="⏎"
               envoyer texte "$texte"
           fi ;;
        4) point_dans 0 0 $((fen_l - 1)) $((fen_h - 1)) "${t[1]}" "${t[2]}"; envoyer souris "$px,$py" ;;
        5) if boite; then envoyer raccourci "${accelerateurs_boites[$(( t[1] % ${#accelerateurs_boites[@]} ))]}"
           else envoyer raccourci "${accelerateurs[$(( t[1] % ${#accelerateurs[@]} ))]}"; fi ;;
    esac
    pause_ms $((20 + t[5] % 81))
}

# The browser wanders off the pictures folder and most actions then have nothing to act on: after
# a while the soak quits as a user does (Escape, then Return: the question's default is Oui), and
# starts again.
nouveau_depart() {
    echo "# quitter pour revenir au dossier d'images" >>"$journal/entrees"
    envoyer touche Escape
    for _ in $(seq 25); do
        pause_ms 200
        fenetre_du_haut || return
        [[ $fen_titre == IMAGORA ]] && { envoyer touche Return; return; }
    done
}

# The next input of a recorded run, sent to whichever window is on top now; paths of the recorded
# sandbox are moved to this one. False when the record is exhausted.
rejouees=0
entree_rejouee() {
    local n sorte argument
    while ((rejouees < ${#a_rejouer[@]})); do
        IFS=$'\t' read -r n _ sorte argument _ <<<"${a_rejouer[$rejouees]}"
        rejouees=$((rejouees + 1))
        [[ $n =~ ^[0-9]+$ ]] || continue
        [[ $sorte == chemin ]] && argument=$bac/${argument#*/imagora-soak.*/}
        envoyer "$sorte" "$argument"
        pause_ms 100
        return 0
    done
    return 1
}

capture() { import -window root "$1" 2>/dev/null; }
rapport_sanitizer() {
    grep -l -s -E 'ERROR: AddressSanitizer|runtime error:|LeakSanitizer|ERROR: UndefinedBehaviorSanitizer' \
        "$journal"/asan/* "$journal"/erreurs.* | head -n 1
}
echouer() { [ -z "$echec" ] && echec=$* && capture "$rapports/echec.png"; }
# How the program ended (its exit code in $1, "$2" said after it): a sanitizer report, a signal or
# an error code are failures. True for a normal end.
fin_normale() {
    if [ -n "$(rapport_sanitizer)" ]; then echouer "rapport du sanitizer (code de sortie $1): $(rapport_sanitizer)"
    elif (($1 == 97)); then echouer "le programme n'a pas pu être enfermé (espace de montage)"
    elif (($1 > 128)); then echouer "le programme s'est arrêté sur le signal $(($1 - 128)) ($(kill -l $(($1 - 128))))$2"
    elif (($1 != 0)); then echouer "le programme s'est terminé avec le code $1$2"
    else return 0; fi
    return 1
}

# Liveness: the window on top must answer a _NET_WM_PING within 2 s. A window that goes away
# before answering (a box closed by the last input) is no hang: the new top one is asked instead.
verifier_reponse() {
    local duree_ping encore
    for _ in 1 2 3; do
        fenetre_du_haut || return 0
        duree_ping=$(x "$sonde" ping "$fen_id" 2000)
        case $? in
            0) ((duree_ping > plus_long_ping)) && plus_long_ping=$duree_ping
               return 0 ;;
            1) kill -0 "$pid" 2>/dev/null || return 0
               capture "$rapports/echec.png"
               encore=$(x "$sonde" ping "$fen_id" 8000) && encore="répond après $((2000 + encore)) ms" || encore="toujours muette après 10 s"
               echouer "la fenêtre « $fen_titre » ($fen_genre) ne répond pas à _NET_WM_PING en 2 s ($encore)"
               command -v gdb >/dev/null && timeout 60 gdb -p "$pid" -batch -ex 'thread apply all bt' >"$rapports/piles.txt" 2>&1
               return 1 ;;
        esac
    done
}

# ---- the run --------------------------------------------------------------------------------------
horloge() { ms=$(( ${EPOCHREALTIME/./} / 1000 )); } # milliseconds, without starting a process
horloge; debut_ms=$ms fin_ms=$((ms + duree * 1000))
redemarrages=0 sans_fenetre_depuis="" taille_max=0
demarrer
while horloge; [ -z "$echec" ] && ((ms < fin_ms)); do
    if ! kill -0 "$pid" 2>/dev/null; then
        wait "$pid"; code=$?
        pid=
        if fin_normale $code ""; then
            redemarrages=$((redemarrages + 1))
            echo "# fin normale du programme après l'entrée $entrees, nouveau démarrage" >>"$journal/entrees"
            demarrer
        fi
        continue
    fi
    if ! fenetre_du_haut; then
        # Starting, or between two windows; a program that shows nothing for 30 s is stuck.
        sans_fenetre_depuis=${sans_fenetre_depuis:-$ms}
        ((ms - sans_fenetre_depuis > 30000)) && echouer "le programme tourne sans aucune fenêtre depuis 30 s"
        pause_ms 100
        continue
    fi
    sans_fenetre_depuis=
    if [ -n "${SOAK_REJOUER:-}" ]; then entree_rejouee || break
    elif ((entrees - entrees_au_demarrage >= 150)) && [[ $fen_titre == "$navigateur" ]]; then nouveau_depart
    else entree_aleatoire; fi
    horloge
    ((entrees % 4 == 0 || ms - dernier_ping > 1000)) && { verifier_reponse; horloge; dernier_ping=$ms; }
    ((tous_les > 0 && entrees % tous_les == 0)) && capture "$rapports/$(printf '%05d' "$entrees").png"
    ((entrees % 200 == 0)) && taille=$(du -sm "$bac" | cut -f1) && ((taille > taille_max)) && taille_max=$taille
done
horloge; duree_reelle=$(( (ms - debut_ms) / 1000 ))

# ---- the end: the windows closed with the keyboard, then Escape and Oui; the exit code checked -----
# Escape closes most windows and asks the browser's question, Return answers a box; a window that
# stays gets Alt+F4, then Return.
if [ -z "$echec" ] && [ -n "$pid" ]; then
    horloge; fin_quitter=$((ms + 60000)) meme=0 precedent=
    while horloge; kill -0 "$pid" 2>/dev/null && ((ms < fin_quitter)); do
        fenetre_du_haut || { pause_ms 200; continue; }
        verifier_reponse || break
        [ "$fen_id" = "$precedent" ] && meme=$((meme + 1)) || meme=0
        precedent=$fen_id
        focus_sur_fenetre
        if [[ $fen_titre == "$navigateur" ]]; then touche=Escape
        elif ((meme >= 6)); then touche=Return
        elif ((meme >= 3)); then touche=alt+F4
        elif [[ $fen_titre == IMAGORA ]]; then touche=Return
        else touche=Escape; fi
        x xdotool key "$touche" 2>/dev/null
        pause_ms 500
    done
    if kill -0 "$pid" 2>/dev/null; then
        [ -z "$echec" ] && echo "remarque: le programme n'a pas pu être fermé par ses fenêtres: arrêté par SIGTERM"
        capture "$rapports/fin-forcee.png"
        kill "$pid"
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; pause_ms 100; done
    else
        wait "$pid"; code=$?
        pid=
        fin_normale $code " en quittant"
    fi
fi
[ -n "$pid" ] && { kill -9 "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; pid=; }
[ -n "$(rapport_sanitizer)" ] && echouer "rapport du sanitizer: $(rapport_sanitizer)"

# ---- nothing lost: every content present before is somewhere in the sandbox after (its folder, a
# copy target, the trash, or wherever the program was told to put it), duplicates not counted ------
empreintes "$bac" >"$journal/apres"
comm -23 <(cut -c1-64 "$journal/avant" | sort -u) <(cut -c1-64 "$journal/apres" | sort -u) >"$journal/perdus.h"
if [ -s "$journal/perdus.h" ]; then
    grep -F -f "$journal/perdus.h" "$journal/avant" >"$rapports/perdus.txt"
    echouer "$(wc -l <"$journal/perdus.h") contenu(s) de fichier perdu(s): $(cut -c67- "$rapports/perdus.txt" | head -n 5 | tr '\n' ';')"
fi
if ! etat_dehors | cmp -s "$journal/dehors-avant" -; then
    etat_dehors | diff "$journal/dehors-avant" - >"$rapports/dehors.diff"
    echouer "des fichiers hors du bac à sable ont changé: $(head -c 400 "$rapports/dehors.diff")"
fi

# ---- report ---------------------------------------------------------------------------------------
cp "$journal/entrees" "$rapports/entrees.log" 2>/dev/null
echo "graine: $graine; ${duree_reelle} s d'entrées; $entrees entrées; $demarrages démarrages (dont $redemarrages après une fin normale)"
echo "plus longue réponse à _NET_WM_PING: ${plus_long_ping} ms; place occupée au plus: ${taille_max} Mo"
echo "fenêtres atteintes (entrées reçues):"
for k in "${!par_fenetre[@]}"; do printf '  %5d  %s\n' "${par_fenetre[$k]}" "$k"; done | sort -rn
[ -s "$journal/ouvertures" ] && echo "ouvertures demandées au bureau: $(wc -l <"$journal/ouvertures")"
if [ -n "$echec" ] || ((tous_les > 0)); then
    cp "$journal"/erreurs.* "$journal"/ouvertures "$journal"/avant "$journal"/apres "$rapports/" 2>/dev/null
    cp -r "$journal/asan" "$rapports/" 2>/dev/null
else
    rm -rf "$rapports"
fi
if [ -n "$echec" ]; then
    echo "ÉCHEC: $echec"
    echo "dernières entrées:" && tail -n 30 "$journal/entrees" 2>/dev/null
    echo "preuves: $rapports"
    echo "soak: 0 passed, 1 failed"
    exit 1
fi
((tous_les > 0)) && echo "captures: $rapports"
echo "soak: 1 passed, 0 failed"
