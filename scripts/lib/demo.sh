# shellcheck shell=bash source-path=SCRIPTDIR
# Sourced by scripts/run-demo.sh and by the test of the demo's folder: the demo keeps all it
# writes in a folder of its own, never among the files of the person running it.
#
#   demo_programs [BUILD]   sets demo_window, demo_cli and demo_simulator to the programs built
#                           in BUILD (default: build)
#   start_demo FOLDER [SIMULATOR_ARGS...]
#                           lays out FOLDER, exports the environment that keeps the programs in
#                           it, starts the simulated peripheral (SIMULATOR_ARGS replace the
#                           default --auto-reset 3) and writes the settings with port 1 on it;
#                           sets demo_bin, the folder of the programs to run
#   stop_demo               stops the simulated peripheral
#
# FOLDER is laid out as an installation prefix, as ~/.local is: the programs in bin/ (hard links
# to the built ones, or copies), share/ beside it. So the programs take themselves for installed
# and keep the networks list with the register, the backups and the programming log in
# share/SelvanaM/, which XDG_DATA_HOME names, whether or not their folder can be written.
# The settings are in config/SelvanaM/SelvanaM.ini (XDG_CONFIG_HOME).

# shellcheck source=simulator.sh
source "$(dirname "${BASH_SOURCE[0]}")/simulator.sh"

demo_programs() {
    local build=${1:-build}
    demo_window=$build/src/selvanam/selvanam
    demo_cli=$build/src/selvanam-cli/selvanam-cli
    demo_simulator=$build/tools/simulator/selvanam-sim
}

# A fresh link each time: a rebuild replaces the built program with a new file.
demo_place_program() {
    local program=$1 folder=$2 target
    target=$folder/$(basename "$program")
    rm -f "$target"
    ln "$program" "$target" 2>/dev/null || cp "$program" "$target"
}

start_demo() {
    local folder=$1 program
    shift
    local simulator_args=("$@")
    ((${#simulator_args[@]})) || simulator_args=(--auto-reset 3)
    mkdir -p "$folder"
    folder=$(cd "$folder" && pwd)
    demo_bin=$folder/bin
    mkdir -p "$demo_bin" "$folder/share/SelvanaM" "$folder/config/SelvanaM" "$folder/cache" \
        "$folder/state"
    for program in "$demo_window" "$demo_cli"; do
        [ -x "$program" ] || {
            echo "Programma non trovato: $program (compilare prima)" >&2
            return 1
        }
        demo_place_program "$program" "$demo_bin"
    done

    export XDG_CONFIG_HOME=$folder/config XDG_DATA_HOME=$folder/share \
        XDG_CACHE_HOME=$folder/cache XDG_STATE_HOME=$folder/state
    # Only a "Registro" setting (or --registro) makes the programs reach a server, and the
    # settings written below name none; the PostgreSQL client's own variables go too, so that
    # nothing of the person's environment can complete a connection. A trace file is theirs too.
    unset "${!PG@}" SELVANA_TRACE

    start_simulator "$folder" "$demo_simulator" --announce K --save "$folder/peripheral.bin" \
        "${simulator_args[@]}"
    # Keys left empty on purpose: an empty key here is taken as it is, while a missing one would
    # be read from the system's settings (under /etc/xdg), which may name the company's server
    # or a real adapter for port 1.
    printf '[CONFIG]\nPort=1\nDevice1=%s\nDeviceId1=\nRegistro=\nInstallatore=Dimostrazione\n' \
        "$simulator_device" >"$folder/config/SelvanaM/SelvanaM.ini"
}

stop_demo() {
    [ -z "${simulator_pid:-}" ] || kill "$simulator_pid" 2>/dev/null || true
    simulator_pid=""
}
