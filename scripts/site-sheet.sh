#!/usr/bin/env bash
# The picture of the site sheet in docs/: selvanam-cli programs simulated peripherals of two
# sites from one configuration and a piano per site, each unit with its own peripheral code and
# zone (two units in one zone, a long zone), as an installer would; then a unit is given a code
# another already holds (--forza) and a peripheral refuses its write. The sheet made by
# selvanam-cli registro --pdf has its first page turned into docs/site-sheet.png.
#   scripts/site-sheet.sh             with the programs of build/ (scripts/setup.sh makes it)
#   scripts/site-sheet.sh BUILD_DIR   with those of another build folder, configured already
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
[ "$build" != build ] || scripts/setup.sh
source scripts/lib/packages.sh
ensure_packages poppler-utils
source scripts/lib/simulator.sh
cmake --build "$build" --target selvanam-cli selvanam-sim >/dev/null
work=$(mktemp -d)
peripherals_pid=""
# An input that never ends: a batch stops when its input does.
exec {open_input}< <(sleep infinity)
open_input_pid=$!
refusing_pid=""
trap 'kill $peripherals_pid $refusing_pid "$open_input_pid" 2>/dev/null; rm -rf "$work"' EXIT
export HOME="$work" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen
mkdir -p "$XDG_CONFIG_HOME/SelvanaM"
printf '[CONFIG]\nInstallatore=Mario Rossi\n' >"$XDG_CONFIG_HOME/SelvanaM/SelvanaM.ini"
cli=$build/src/selvanam-cli/selvanam-cli

serials="A1B2C301,A1B2C302,A1B2C303,A1B2C304,A1B2C305,A1B2C306,A1B2C307"
start_simulator "$work" "$build/tools/simulator/selvanam-sim" --announce K --auto-reset-ms 300 \
    --serial "$serials"
peripherals_pid=$simulator_pid
device=$simulator_device

# The simulated peripheral's own configuration is the site's; each piano gives the codes.
"$cli" read --port "$device" -o "$work/base.con" --timeout 10 >/dev/null
printf 'codice;zona\n101;Ingresso principale\n102;Magazzino\n103;Uffici piano terra\n104;Magazzino\n105;Ingresso pedonale su via dei Tigli, lato cortile interno, vicino ai contatori\n' \
    >"$work/querce.csv"
printf 'codice;zona\n201;Garage\n' >"$work/rosa.csv"
printf 'codice;zona\n103;Uffici piano terra\n' >"$work/doppio.csv"
# The peripherals press RESET by themselves; each batch ends with its piano. The last one gives
# a code already held: only --forza writes it.
for site in "Le Querce|querce|" "Villa Rosa|rosa|" "Le Querce|doppio|--forza"; do
    IFS='|' read -r name piano force <<<"$site"
    "$cli" program "$work/base.con" --port "$device" --piano "$work/$piano.csv" --sito "$name" \
        --log "$work/log.csv" ${force:+"$force"} <&"$open_input" >/dev/null
done

# A peripheral that refuses every write (status 7): recorded as refused.
mkdir -p "$work/refusing"
start_simulator "$work/refusing" "$build/tools/simulator/selvanam-sim" --announce K \
    --auto-reset-ms 300 --serial A1B2C3F0 --refuse-writes
refusing_pid=$simulator_pid
status=0
"$cli" write "$work/base.con" --port "$simulator_device" --sito "Le Querce" \
    --zona "Cancello carraio" --timeout 10 --log "$work/log.csv" >/dev/null || status=$?
[ "$status" -eq 7 ] || { echo "the refused write ended with status $status, not 7" >&2; exit 1; }

"$cli" registro --sito "Le Querce" --pdf "$work/scheda.pdf"
pdftoppm -png -r 110 -f 1 -l 1 -singlefile "$work/scheda.pdf" docs/site-sheet
echo "docs/site-sheet.png"
