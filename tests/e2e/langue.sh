# Sourced by the scripts that start the program as a French-speaking user: sets $langue to
# fr_FR.UTF-8, building that locale under $1 when the machine lacks it (without it Qt and Xlib
# disagree on accented window titles), or to C.UTF-8 when it cannot be built.
langue=fr_FR.UTF-8
if ! locale -a 2>/dev/null | grep -qix 'fr_FR.utf-\?8'; then
    if mkdir -p "$1/locale" && localedef -i fr_FR -f UTF-8 "$1/locale/$langue" >/dev/null 2>&1; then
        export LOCPATH=$1/locale
    else
        langue=C.UTF-8
    fi
fi
