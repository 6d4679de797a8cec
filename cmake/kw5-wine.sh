#!/usr/bin/env bash
# Runs a Windows program under Wine with a prefix of its own:
#   kw5-wine.sh PREFIX program.exe [arguments...]
# KW5_WINEARCH=win32 runs 32-bit programs in a 32-bit prefix (wine32).
# The prefix is created on first use (wineboot); concurrent first uses wait
# for each other. No dialogs: the Mono and Gecko installers are switched off
# and Wine's debug output is silenced.
set -euo pipefail
prefix=$1
shift

export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEARCH=${KW5_WINEARCH:-win64}
unset DISPLAY WAYLAND_DISPLAY
# Wine links the profile's Desktop, Documents ... to the Unix home. A home of
# the prefix's own keeps what programs write there (the emergency log on the
# desktop, for one) inside the build folder.
export HOME=$prefix-home
unset XDG_CONFIG_HOME XDG_DESKTOP_DIR XDG_DATA_HOME
mkdir -p "$HOME/Desktop"

wine=${KW5_WINE:-}
if [ -z "$wine" ]; then
    candidates=(/usr/lib/wine/wine64 "$(command -v wine64 || true)" "$(command -v wine || true)")
    [ "$WINEARCH" = win32 ] && candidates=(/usr/lib/wine/wine "$(command -v wine || true)")
    for candidate in "${candidates[@]}"; do
        if [ -n "$candidate" ] && [ -x "$candidate" ]; then
            wine=$candidate
            break
        fi
    done
fi
if [ -z "$wine" ]; then
    echo "kw5-wine.sh: no Wine for $WINEARCH found" >&2
    exit 127
fi

mkdir -p "$(dirname "$prefix")"
(
    flock 9
    if [ ! -f "$prefix/.kw5-ready" ]; then
        mkdir -p "$prefix"
        "$wine" wineboot --init >/dev/null 2>&1 || true
        # wineboot returns before the registry files are written.
        wineserver=$(dirname "$wine")/wineserver
        [ -x "$wineserver" ] || wineserver=wineserver
        "$wineserver" -w || true
        touch "$prefix/.kw5-ready"
    fi
) 9>"$prefix.lock"

exec "$wine" "$@"
