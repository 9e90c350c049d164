#!/usr/bin/env bash
# Two installers at the same time, as a working day has them: two command lines, each with its
# own data folder and its own simulated peripherals (15 units each), run
# `program --codici FIRST-LAST` on the same range at the same moment, first against one
# throwaway PostgreSQL server of the script's own, then as two programs of one computer sharing
# one local register. Prints how many units and distinct codes each register holds, and fails
# when a code went to two units.
#   scripts/two-installers.sh [BUILD_DIR]     (default build/, built by scripts/setup.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
[ "$build" != build ] || scripts/setup.sh
source scripts/lib/packages.sh
ensure_packages "${test_packages[@]}" sqlite3
source scripts/lib/simulator.sh
source scripts/lib/postgres.sh
cmake --build "$build" --target selvanam-cli selvanam-sim >/dev/null
cli=$PWD/$build/src/selvanam-cli/selvanam-cli
sim=$PWD/$build/tools/simulator/selvanam-sim
units=${UNITS:-15}
range=${RANGE:-101-130}

# An input that never ends: a batch stops when its input does.
exec {open_input}< <(sleep infinity)
open_input_pid=$!
work=$(mktemp -d)
chmod a+x "$work" # the server runs as the "postgres" user when this script runs as root
pids=()
cleanup() {
    kill "${pids[@]}" "$open_input_pid" 2>/dev/null || true
    pg_stop "$work/pg" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen
unset "${!PG@}" SELVANA_TRACE

mkdir -p "$work/pg"
uri=$(pg_start "$work/pg" --fast)

# installer NAME SERIAL_PREFIX: a home of its own and its simulated units.
installer() {
    local name=$1 prefix=$2 serials="" i
    local home=$work/$name
    mkdir -p "$home/config/SelvanaM"
    printf '[CONFIG]\nInstallatore=%s\nRegistro=\n' "$name" >"$home/config/SelvanaM/SelvanaM.ini"
    for i in $(seq 1 "$units"); do serials+="${serials:+,}${prefix}$(printf '%04X' "$i")"; done
    start_simulator "$home" "$sim" --announce K --auto-reset-ms 200 --serial "$serials"
    pids+=("$simulator_pid")
    echo "$simulator_device" >"$home/port"
}

# run_batch NAME DATA_HOME [--registro URI]: one installer's batch, in the background.
run_batch() {
    local name=$1 data=$2
    shift 2
    local home=$work/$name
    (
        export HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$data
        exec "$cli" program "$work/base.con" --port "$(cat "$home/port")" --codici "$range" \
            --count "$units" --sito "Cantiere" --log "$home/log.csv" "$@" \
            <&"$open_input" >"$home/out.txt" 2>"$home/err.txt"
    ) &
    batch_pids+=($!)
}

codes_of() { # the written units' codes, one per line, from `registro --csv` on stdin
    awk -F';' 'NR > 1 && $12 == "scritta" { print $1, $8 }'
}

report() { # TITLE FILE_OF_SERIAL_CODE_LINES
    local total distinct
    total=$(wc -l <"$2")
    distinct=$(cut -d' ' -f2 "$2" | sort -u | wc -l)
    echo "$1: $total unità scritte, $distinct codici distinti"
    if [ "$total" -ne "$distinct" ]; then
        echo "  codici dati a più unità:"
        cut -d' ' -f2 "$2" | sort | uniq -d | sed 's/^/    /'
        return 1
    fi
}

status=0
for round in server local; do
    rm -rf "$work/anna" "$work/bruno"
    installer anna A1B2
    installer bruno B2C3
    # The units' own configuration: a Proteus-X unit of network 00012.
    HOME=$work/anna XDG_CONFIG_HOME=$work/anna/config XDG_DATA_HOME=$work/anna/data \
        "$cli" read --port "$(cat "$work/anna/port")" -o "$work/base.con" --timeout 10 >/dev/null 2>&1
    batch_pids=()
    if [ "$round" = server ]; then
        run_batch anna "$work/anna/data" --registro "$uri"
        run_batch bruno "$work/bruno/data" --registro "$uri"
    else
        run_batch anna "$work/shared-data"
        run_batch bruno "$work/shared-data"
    fi
    for pid in "${batch_pids[@]}"; do wait "$pid" || true; done
    for name in anna bruno; do
        echo "== $name ($round): $(grep -c ' OK: ' "$work/$name/out.txt") OK, stato finale nel log:"
        tail -n 2 "$work/$name/err.txt" | sed 's/^/   /'
    done
    if [ "$round" = server ]; then
        HOME=$work/anna XDG_CONFIG_HOME=$work/anna/config XDG_DATA_HOME=$work/check \
            "$cli" registro --csv --registro "$uri" 2>/dev/null | codes_of >"$work/codes"
        report "Registro condiviso (PostgreSQL)" "$work/codes" || status=1
    else
        HOME=$work/anna XDG_CONFIG_HOME=$work/anna/config XDG_DATA_HOME=$work/shared-data \
            "$cli" registro --csv 2>/dev/null | codes_of >"$work/codes"
        report "Registro locale condiviso da due programmi" "$work/codes" || status=1
    fi
    kill "${pids[@]}" 2>/dev/null || true
    pids=()
done
exit $status
