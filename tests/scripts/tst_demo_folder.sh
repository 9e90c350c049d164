#!/usr/bin/env bash
# The demo's set-up (scripts/lib/demo.sh) keeps every file the window and the command line write
# in the demo's folder: a fresh user running it finds nothing new in their home.
#   tst_demo_folder.sh SOURCE_DIR WORK_DIR WINDOW CLI SIMULATOR
set -euo pipefail
source_dir=$1 work=$2
rm -rf "$work"
mkdir -p "$work/home"
work=$(cd "$work" && pwd)

# A fresh user's shell names no XDG folder: every default is under HOME. A trace file of theirs
# must not get the demo's traffic either.
unset "${!XDG_@}"
export HOME=$work/home SELVANA_TRACE=$work/home/selvana-trace.txt
source "$source_dir/scripts/lib/demo.sh"
demo_window=$3 demo_cli=$4 demo_simulator=$5

failures=0
check() { # check DESCRIPTION COMMAND...
    local what=$1
    shift
    if "$@"; then echo "PASS: $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi
}

beside_build=$(dirname "$demo_window")/Reti.cfg
[ -e "$beside_build" ] && had_build_list=1 || had_build_list=0

window_pid=""
trap '[ -z "$window_pid" ] || kill "$window_pid" 2>/dev/null || true; stop_demo' EXIT
# RESET every half second of quiet, so that each command finds the peripheral at once.
start_demo "$work/demo" --auto-reset-ms 500
data=$work/demo/share/SelvanaM
# Settings read where the demo's own file has no such key, as the system's (/etc/xdg) would be:
# one naming a server must not make the demo send its records there.
printf '[CONFIG]\nRegistro=postgresql://selvana@127.0.0.1:9/registro\n' \
    >"$work/demo/config/SelvanaM.ini"

SELVANA_SPLASH_MS=0 QT_QPA_PLATFORM=offscreen "$demo_bin/selvanam" >"$work/window.log" 2>&1 &
window_pid=$!
# The networks list is made at the first start; the register at the first write.
for _ in $(seq 300); do
    [ -s "$data/Reti.cfg" ] && break
    kill -0 "$window_pid" 2>/dev/null || break
    sleep 0.1
done
kill "$window_pid" 2>/dev/null || true
wait "$window_pid" 2>/dev/null || true
window_pid=""
check "the window made the networks list in the demo's data" test -s "$data/Reti.cfg"

cli() { "$demo_bin/selvanam-cli" "$@" --port 1 --timeout 20 >>"$work/cli.log" 2>&1; }
check "the command line reads the simulated peripheral" cli read -o "$work/read.con"
check "the command line writes it back" cli write "$work/read.con"

has_backup() { compgen -G "$data/backup/*.con" >/dev/null; }
check "a backup in the demo's data" has_backup
check "the programming log in the demo's data" grep -qs ';OK' "$data/programmazioni.csv"
recorded() { # the simulated peripheral's serial number, in the register the demo's programs use
    local listed
    listed=$("$demo_bin/selvanam-cli" registro --csv 2>>"$work/cli.log") &&
        test -s "$data/registro.sqlite" && grep -q '^1234ABCD;' <<<"$listed"
}
not_in() { ! grep -qs "$2" "$1"; }
check "the write recorded in the demo's register" recorded
check "no shared register reached" not_in "$work/cli.log" 'Registro condiviso'
check "no networks list left beside the built window" test "$had_build_list" = 1 -o ! -e "$beside_build"
left=$(find "$HOME" -mindepth 1)
check "nothing written under HOME" test -z "$left"

if ((failures)); then
    echo "--- under HOME:"; echo "$left"
    echo "--- demo folder:"; find "$work/demo" | sort
    echo "--- window:"; cat "$work/window.log"
    echo "--- command line:"; cat "$work/cli.log"
    echo "--- simulator:"; tail -n 30 "$work/demo/simulator.log"
    exit 1
fi
rm -rf "$work"
