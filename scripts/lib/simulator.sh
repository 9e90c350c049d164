# Sourced by the scripts that need a simulated peripheral on a pseudo-terminal.
# start_simulator FOLDER PROGRAM [SIMULATOR_ARGS...]: starts the simulator PROGRAM in the
# background, its device path in FOLDER/device and its log in FOLDER/simulator.log, and sets
# simulator_pid and simulator_device; fails when no device comes within five seconds.
start_simulator() {
    local folder=$1 program=$2
    shift 2
    rm -f "$folder/device"
    "$program" "$@" >"$folder/device" 2>"$folder/simulator.log" &
    simulator_pid=$!
    for _ in $(seq 50); do
        [ -s "$folder/device" ] && break
        sleep 0.1
    done
    simulator_device=$(head -n 1 "$folder/device")
    if [ -z "$simulator_device" ]; then
        echo "Il simulatore non è partito; vedere $folder/simulator.log" >&2
        return 1
    fi
}
