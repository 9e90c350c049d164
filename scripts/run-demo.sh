#!/usr/bin/env bash
# Installs what is missing, builds, starts a simulated peripheral on a pseudo-terminal and opens
# the programmer with port 1 pointing at it. The peripheral presses RESET by itself every few
# seconds, so "Lettura Configurazione" finds it.
# Everything the demo writes stays in build/demo (see scripts/lib/demo.sh): settings, networks
# list, register, backups and programming log; it never reaches a shared register.
#   scripts/run-demo.sh [V|U]      (extra arguments go to the programmer: the band letter)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

source scripts/lib/demo.sh

demo_programs build
trap stop_demo EXIT
start_demo "$PWD/build/demo"
echo "Periferica simulata su $simulator_device (i suoi scambi: $PWD/build/demo/simulator.log)"
echo "I dati della dimostrazione sono in $PWD/build/demo/share/SelvanaM"

"$demo_bin/selvanam" "$@"
