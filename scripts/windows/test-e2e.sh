#!/usr/bin/env bash
# The Windows programs end to end under Wine against the simulated peripheral, which runs here
# on a pseudo-terminal that Wine maps to COM5: a read, a write (its backup, its record, and the
# bytes the peripheral stored, compared with what the Linux build stores for the same file),
# program --codici over three units, the window's read and write, and a write recorded in a
# shared register on a PostgreSQL server of the script's own. Everything runs in a private copy
# of the Wine prefix with a private HOME: no real installation's records are touched. One PASS
# or FAIL row per check; the exit status is 1 when any check failed.
#
#   scripts/windows/test-e2e.sh [--keep] [BUILD_DIR]    (default build-windows)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
source "$here/env.sh"
source "$repo/scripts/lib/simulator.sh"

keep=0
build_dir=$repo/build-windows
for arg in "$@"; do
    case "$arg" in
    --keep) keep=1 ;;
    -*)
        echo "uso: $0 [--keep] [CARTELLA_DI_BUILD]" >&2
        exit 2
        ;;
    *) build_dir=$(cd "$arg" && pwd) ;;
    esac
done
program_dir=$build_dir/package/selvanam-$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' \
    "$build_dir/CMakeCache.txt" 2>/dev/null)
if [ ! -x "$program_dir/selvanam-cli.exe" ]; then
    echo "Manca la cartella del programma in $build_dir: lanciare scripts/windows/build.sh" >&2
    exit 1
fi
window_test=$build_dir/tests/windows/tst_window_on_port.exe

# The Linux programs: the simulator, and the command line whose bytes the Windows one must match.
host_dir=$repo/build-windows-host
cmake --build "$host_dir" --target selvanam-sim selvanam-cli >/dev/null
sim=$host_dir/tools/simulator/selvanam-sim
linux_cli=$host_dir/src/selvanam-cli/selvanam-cli

wineserver=/usr/lib/wine/wineserver64
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)
work=$(mktemp -d "${TMPDIR:-/tmp}/selvanam-e2e.XXXXXX")
chmod 755 "$work" # the PostgreSQL server runs as its own user when this runs as root
export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
export WINEQT_QPA_PLATFORM=offscreen
pg_dir=$work/postgres
cleanup() {
    [ -z "${simulator_pid:-}" ] || kill "$simulator_pid" 2>/dev/null || true
    "$wineserver" -k >/dev/null 2>&1 || true
    [ ! -d "$pg_dir" ] || bash "$repo/scripts/lib/postgres.sh" stop "$pg_dir" >/dev/null 2>&1 || true
    if ((keep)); then echo "Cartella di prova: $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

if [ -d "$SELVANA_WINDOWS_CACHE/wineprefix/drive_c" ]; then
    cp -a --reflink=auto "$SELVANA_WINDOWS_CACHE/wineprefix" "$WINEPREFIX"
    rm -f "$WINEPREFIX/wineserver"
    find "$WINEPREFIX/drive_c/users" -maxdepth 2 -type l | while read -r link; do
        rm "$link" && mkdir "$link"
    done
fi
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
mkdir -p "$HOME"
"$SELVANA_WINE" wineboot --init >/dev/null 2>&1
appdata=$(ls -d "$WINEPREFIX"/drive_c/users/*/AppData/Roaming | grep -v /Public/ | head -n 1)
data=$appdata/SelvanaM

failed=0
row() { # row NAME CONDITION-STATUS
    if [ "$2" -eq 0 ]; then echo "PASS   $1"; else
        echo "FAIL   $1"
        failed=1
    fi
}
win() { (cd "$program_dir" && timeout 120 "$SELVANA_WINE" ./selvanam-cli.exe "$@" </dev/null); }
winpath() { echo "Z:${1//\//\\}"; }

# A simulator on a new pseudo-terminal, mapped to COM5.
simulate() {
    [ -z "${simulator_pid:-}" ] || kill "$simulator_pid" 2>/dev/null || true
    mkdir -p "$work/sim"
    start_simulator "$work/sim" "$sim" --auto-reset-ms 300 --save "$work/sim/stored.bin" "$@"
    "$SELVANA_WINE" reg add 'HKLM\Software\Wine\Ports' /v COM5 /d "$simulator_device" /f \
        >/dev/null 2>&1
    "$wineserver" -k >/dev/null 2>&1 || true
    "$wineserver" -w >/dev/null 2>&1 || true
    # Started here, so that what it prints when it ends goes nowhere.
    "$wineserver" -p >/dev/null 2>&1 </dev/null || true
}
linux_simulate() {
    [ -z "${simulator_pid:-}" ] || kill "$simulator_pid" 2>/dev/null || true
    mkdir -p "$work/linux"
    start_simulator "$work/linux" "$sim" --auto-reset-ms 300 --save "$work/linux/stored.bin" "$@"
}

# The file written: the unit as the simulator holds it, with another code and siren time, made
# by the Linux command line's own encoder.
linux_simulate
HOME=$work/linux-home "$linux_cli" read --port "$simulator_device" -o "$work/base.con" >/dev/null 2>&1
"$linux_cli" decode "$work/base.con" --json >"$work/impianto.json"
python3 - "$work/impianto.json" <<'PY'
import json, sys
path = sys.argv[1]
data = json.load(open(path))
data["campi"]["CodicePeriferica"]["valore"] = 301
data["campi"]["TempoSirena"]["valore"] = 60
json.dump(data, open(path, "w"), ensure_ascii=False)
PY
"$linux_cli" encode "$work/impianto.json" -o "$work/impianto.con" >/dev/null

# Read.
simulate
status=0
win read --port COM5 -o "$(winpath "$work/letto.con")" >"$work/read.out" 2>&1 || status=$?
linux_simulate
HOME=$work/linux-home "$linux_cli" read --port "$simulator_device" -o "$work/letto-linux.con" \
    >/dev/null 2>&1 || true
cmp -s "$work/letto.con" "$work/letto-linux.con"
row "read: stato 0, i 62 byte letti uguali a quelli della build Linux" $((status || $?))

# Write: backup, record, and the bytes stored equal to the Linux build's.
simulate
status=0
win write "$(winpath "$work/impianto.con")" --port COM5 --sito "Prova Wine" >"$work/write.out" 2>&1 ||
    status=$?
row "write: stato 0" "$status"
ls "$data"/backup*/* >/dev/null 2>&1 || ls -R "$data" | grep -qi '\.con$'
row "write: copia della configurazione letta in %APPDATA%\\SelvanaM" $?
win registro --json >"$work/registro.json" 2>/dev/null
grep -q '"1234ABCD"' "$work/registro.json" && grep -q '"Prova Wine"' "$work/registro.json"
row "write: la scrittura è nel registro" $?
cp "$work/sim/stored.bin" "$work/stored-windows.bin" 2>/dev/null || true
linux_simulate
HOME=$work/linux-home "$linux_cli" write "$work/impianto.con" --port "$simulator_device" \
    >/dev/null 2>&1 || true
cmp -s "$work/stored-windows.bin" "$work/linux/stored.bin"
row "write: byte memorizzati dalla periferica uguali a quelli della build Linux" $?

# The link's fault table, as the Linux build's tests run it: each fault of the peripheral or
# its cable, the status the command line ends with. A device that vanishes mid-frame is status
# 3 on Linux and on Windows (ReadFile fails on a removed adapter); Wine reports no hang-up of a
# pseudo-terminal, so there the frame stays incomplete and the wait ends: 4, nothing written.
while read -r expected faults <&3; do
    simulate $faults
    status=0
    win write "$(winpath "$work/impianto.con")" --port COM5 --timeout 0,3 \
        >"$work/fault.out" 2>&1 || status=$?
    row "guasto ${faults#--}: stato $expected (ottenuto $status)" $((status != expected))
done 3<<'FAULTS'
0 --noise
0 --split-frame
0 --garbage --noise --seed 8
4 --cut-frame
8 --no-write-answer
7 --refuse-writes
4 --vanish
FAULTS

# program --codici over three units.
simulate --serial 0A000001,0A000002,0A000003
status=0
# A batch ends at the end of its input: the installer's console stays open meanwhile.
(cd "$program_dir" && timeout 120 "$SELVANA_WINE" ./selvanam-cli.exe program \
    "$(winpath "$work/impianto.con")" --port COM5 --count 3 --codici 101-103 \
    --sito "Tre unità" < <(sleep 130)) >"$work/program.out" 2>&1 || status=$?
win registro --sito "Tre unità" --csv >"$work/tre.csv" 2>/dev/null || true
codes=$(grep -c -E '0A00000[123]' "$work/tre.csv" || true)
row "program --codici 101-103: stato 0 (ottenuto $status), tre unità nel registro ($codes)" \
    $((status || (codes != 3)))

# The window: a read and a write through the program's own window, on the same port.
if [ -x "$window_test" ]; then
    simulate
    status=0
    (cd "$(dirname "$window_test")" && SELVANA_E2E_PORT=COM5 \
        WINEPATH="Z:$SELVANA_WINDOWS_PREFIX/bin" WINEQT_PLUGIN_PATH="Z:$SELVANA_WINDOWS_PREFIX/plugins" \
        timeout 180 "$SELVANA_WINE" ./tst_window_on_port.exe) >"$work/window.out" 2>&1 || status=$?
    row "finestra: lettura e scrittura sulla porta COM5" "$status"
else
    echo "FAIL   finestra: manca $window_test (scripts/windows/build.sh --tests)"
    failed=1
fi

# The shared register on a PostgreSQL server of our own, reached from Wine on 127.0.0.1.
mkdir -p "$pg_dir"
if uri=$(bash "$repo/scripts/lib/postgres.sh" start "$pg_dir" --fast 2>"$work/postgres.log"); then
    simulate
    status=0
    win write "$(winpath "$work/impianto.con")" --port COM5 --sito "Registro condiviso" \
        --registro "$uri" >"$work/shared.out" 2>&1 || status=$?
    psql=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)/psql
    count=$(runuser -u postgres -- "$psql" "$uri" -tAc \
        "select count(*) from programmazioni where sito = 'Registro condiviso'" 2>/dev/null ||
        "$psql" "$uri" -tAc "select count(*) from programmazioni where sito = 'Registro condiviso'" 2>/dev/null ||
        echo 0)
    row "registro condiviso: stato 0 (ottenuto $status), la scrittura sul server ($count)" \
        $((status || (count != 1)))
else
    echo "FAIL   registro condiviso: server PostgreSQL non avviato ($work/postgres.log)"
    failed=1
fi

if ((failed)); then
    echo "Uscite dei programmi in $work (--keep per conservarle)"
fi
exit "$failed"
