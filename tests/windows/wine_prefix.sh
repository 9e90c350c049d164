#!/usr/bin/env bash
# The Wine prefix of a Windows build's tests: a copy of the machine's cached prefix (WINEPREFIX of
# scripts/windows/env.sh), made once, so that a test never touches another prefix; a new one
# when there is none to copy. Its wineserver runs from the first test to the last, instead of
# starting anew for each program, and ends a minute after the last one left.
#
#   wine_prefix.sh start PREFIX SOURCE WINE     SOURCE may be empty
#   wine_prefix.sh stop PREFIX WINE
set -euo pipefail

command=$1
prefix=$2
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

wineserver_for() {
    local dir
    dir=$(dirname "$1")
    for candidate in "$dir/wineserver64" "$dir/wineserver"; do
        [ -x "$candidate" ] && { echo "$candidate"; return; }
    done
    command -v wineserver
}

case "$command" in
start)
    source=$3
    wine=$4
    server=$(wineserver_for "$wine")
    if [ ! -f "$prefix/system.reg" ]; then
        rm -rf "$prefix.new"
        if [ -n "$source" ] && [ -f "$source/system.reg" ]; then
            cp -a --reflink=auto "$source" "$prefix.new"
        else
            mkdir -p "$prefix.new"
            WINEPREFIX=$prefix.new "$wine" wineboot --init >/dev/null 2>&1
            WINEPREFIX=$prefix.new "$server" --wait
        fi
        mv "$prefix.new" "$prefix"
    fi
    # Already running (tests started by hand): that one serves.
    "$server" --persistent=60 </dev/null >/dev/null 2>&1 || true
    # Brings up the prefix's own services now, once, rather than in the first test.
    timeout 300 "$wine" wineboot </dev/null >/dev/null 2>&1
    ;;
stop)
    wine=$3
    "$(wineserver_for "$wine")" --kill </dev/null >/dev/null 2>&1 || true
    ;;
*)
    echo "uso: $0 start PREFIX SOURCE WINE | stop PREFIX WINE" >&2
    exit 2
    ;;
esac
