#!/usr/bin/env bash
# The picture of the site sheet in docs/: selvanam-cli programs simulated peripherals of one
# site, each with its own peripheral code and zone, as an installer would; then the sheet made
# by selvanam-cli registro --pdf has its first page turned into docs/site-sheet.png.
#   scripts/site-sheet.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
source scripts/lib/packages.sh
ensure_packages poppler-utils python3
cmake --build build --target selvanam-cli selvanam-sim >/dev/null
work=$(mktemp -d)
sim=""
trap '[ -n "$sim" ] && kill "$sim" 2>/dev/null; rm -rf "$work"' EXIT
export HOME="$work" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen
mkdir -p "$XDG_CONFIG_HOME/SelvanaM"
printf '[CONFIG]\nInstallatore=Mario Rossi\n' >"$XDG_CONFIG_HOME/SelvanaM/SelvanaM.ini"
cli=build/src/selvanam-cli/selvanam-cli

units=(
    "101|Le Querce|Ingresso principale"
    "102|Le Querce|Magazzino"
    "103|Le Querce|Uffici piano terra"
    "104|Le Querce|Uffici primo piano"
    "105|Le Querce|Cancello carraio"
    "201|Villa Rosa|Garage"
)
serials="A1B2C301,A1B2C302,A1B2C303,A1B2C304,A1B2C305,A1B2C306"
build/tools/simulator/selvanam-sim --announce K --auto-reset-ms 300 --serial "$serials" \
    >"$work/device" 2>"$work/simulator.log" &
sim=$!
for _ in $(seq 50); do
    [ -s "$work/device" ] && break
    sleep 0.1
done
device=$(head -n 1 "$work/device")

# The simulated peripheral's own configuration, as a file and as JSON to change the code in.
"$cli" read --port "$device" -o "$work/base.con" --timeout 10 >/dev/null
"$cli" decode "$work/base.con" --json >"$work/base.json"
for unit in "${units[@]}"; do
    IFS='|' read -r code site zone <<<"$unit"
    python3 - "$work/base.json" "$work/$code.json" "$code" <<'PY'
import json, sys
doc = json.load(open(sys.argv[1]))
doc["campi"]["CodicePeriferica"]["valore"] = int(sys.argv[3])
json.dump(doc, open(sys.argv[2], "w"))
PY
    "$cli" encode "$work/$code.json" -o "$work/$code.con" >/dev/null
    "$cli" write "$work/$code.con" --port "$device" --timeout 10 --sito "$site" --zona "$zone" \
        --log "$work/log.csv"
done

"$cli" registro --sito "Le Querce" --pdf "$work/scheda.pdf"
pdftoppm -png -r 110 -f 1 -l 1 -singlefile "$work/scheda.pdf" docs/site-sheet
echo "docs/site-sheet.png"
