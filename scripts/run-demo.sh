#!/usr/bin/env bash
# Installs what is missing, builds, starts a simulated peripheral on a pseudo-terminal and opens
# the programmer with port 1 pointing at it. The peripheral presses RESET by itself every few
# seconds, so "Lettura Configurazione" finds it.
# The demo keeps its settings in build/demo, never in your own.
#   scripts/run-demo.sh [V|U]      (extra arguments go to the programmer: the band letter)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

source scripts/lib/simulator.sh

demo="$PWD/build/demo"
mkdir -p "$demo/config/SelvanaM"
simulator_pid=""
trap '[ -z "$simulator_pid" ] || kill "$simulator_pid" 2>/dev/null || true' EXIT
start_simulator "$demo" build/tools/simulator/selvanam-sim --announce K --auto-reset 3 \
    --save "$demo/peripheral.bin"
device=$simulator_device
printf '[CONFIG]\nPort=1\nDevice1=%s\n' "$device" >"$demo/config/SelvanaM/SelvanaM.ini"
echo "Periferica simulata su $device (registro: $demo/simulator.log)"

XDG_CONFIG_HOME="$demo/config" build/src/selvanam/selvanam "$@"
