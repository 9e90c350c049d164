#!/usr/bin/env bash
# Installs what is missing, builds, starts a simulated peripheral on a pseudo-terminal and opens
# the programmer with port 1 pointing at it. The peripheral presses RESET by itself every few
# seconds, so "Lettura Configurazione" finds it.
# The demo keeps its settings in build/demo, never in your own.
#   scripts/run-demo.sh [V|U]      (extra arguments go to the programmer: the band letter)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

demo="$PWD/build/demo"
mkdir -p "$demo/config/SelvanaM"
device_file="$demo/device"
rm -f "$device_file"

build/tools/simulator/selvanam-sim --announce K --auto-reset 3 --save "$demo/peripheral.bin" \
    >"$device_file" 2>"$demo/simulator.log" &
sim=$!
trap 'kill "$sim" 2>/dev/null || true' EXIT

for _ in $(seq 50); do
    [ -s "$device_file" ] && break
    sleep 0.1
done
device=$(head -n 1 "$device_file")
if [ -z "$device" ]; then
    echo "Il simulatore non è partito; vedere $demo/simulator.log" >&2
    exit 1
fi
printf '[CONFIG]\nPort=1\nDevice1=%s\n' "$device" >"$demo/config/SelvanaM/SelvanaM.ini"
echo "Periferica simulata su $device (registro: $demo/simulator.log)"

XDG_CONFIG_HOME="$demo/config" build/src/selvanam/selvanam "$@"
