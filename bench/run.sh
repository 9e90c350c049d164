#!/usr/bin/env bash
# Measures, in one run, under a virtual X server (Xvfb), on a release build (build-release/):
#   1. start-up: process start to the first window shown (the splash), against bench/bare_window,
#      a Qt program that only opens a window; RUNS runs each, interleaved, after a warm-up;
#   2. resident memory of the installed-style program with a configuration shown: the real
#      selvanam, its splash clicked away and "Lettura Configurazione" clicked (xdotool), against a
#      simulated peripheral that presses RESET every second;
#   3. the program's own work in one timer tick that receives and presents a configuration and in
#      one "SAVE" (collect, assemble, send), over CYCLES read/write cycles (bench/selvanam-bench).
# Installs what it needs when missing (root or sudo). Nothing touches your own settings.
#   bench/run.sh            RUNS=10 CYCLES=20 by default: RUNS=20 bench/run.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/packages.sh

runs=${RUNS:-10}
cycles=${CYCLES:-20}
build=build-release

if [ -z "${SELVANA_BENCH_INSIDE_X:-}" ]; then
    packages=("${build_packages[@]}" xvfb xauth xdotool)
    ensure_packages "${packages[@]}"
    if [ ! -f "$build/CMakeCache.txt" ]; then
        cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSELVANA_BUILD_TESTS=OFF
    fi
    cmake --build "$build" --parallel "$(nproc)" \
        --target selvanam selvanam-sim selvanam-bench bare_window >/dev/null
    # No window manager: nothing between the program and the X server but Xvfb itself.
    exec xvfb-run --auto-servernum --server-args="-screen 0 1280x1024x24" \
        env SELVANA_BENCH_INSIDE_X=1 "$0" "$@"
fi

program=$build/src/selvanam/selvanam
bare=$build/bench/bare_window
sim=$build/tools/simulator/selvanam-sim
work=$(mktemp -d)
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_CONFIG_HOME/SelvanaM" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

now_us() { echo "${EPOCHREALTIME/./}"; }
median() { sort -n | awk '{v[NR]=$1} END {print (NR % 2) ? v[(NR+1)/2] : (v[NR/2] + v[NR/2+1]) / 2}'; }
minimum() { sort -n | head -n 1; }
ms() { awk -v us="$1" 'BEGIN {printf "%.1f ms", us / 1000}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }

# Microseconds from launch to the first window: the program prints the moment it was exposed.
first_window_us() {
    local start out
    start=$(now_us)
    out=$("$@")
    echo $((${out%% *} - start))
}

echo "Macchina: $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) core, $(free -g | awk '/^Mem:/ {print $2}') GiB;" \
    "Debian $(cat /etc/debian_version), Qt $(dpkg-query -W -f='${Version}' libqt6core6 2>/dev/null | cut -d+ -f1);" \
    "carico medio $(cut -d' ' -f1-3 /proc/loadavg)"
echo

# 1. Start-up.
for _ in 1 2; do # warm-up: libraries, fonts and plugins into the page cache
    first_window_us "$bare" >/dev/null
    SELVANA_BENCH_FIRST_WINDOW=1 first_window_us "$program" >/dev/null
done
program_runs=() bare_runs=()
for _ in $(seq "$runs"); do
    bare_runs+=("$(first_window_us "$bare")")
    program_runs+=("$(SELVANA_BENCH_FIRST_WINDOW=1 first_window_us "$program")")
done
p_med=$(printf '%s\n' "${program_runs[@]}" | median)
b_med=$(printf '%s\n' "${bare_runs[@]}" | median)
p_min=$(printf '%s\n' "${program_runs[@]}" | minimum)
b_min=$(printf '%s\n' "${bare_runs[@]}" | minimum)
echo "1. Avvio fino alla prima finestra ($runs prove ciascuno)"
echo "   selvanam:    mediana $(ms "$p_med"), minimo $(ms "$p_min")"
echo "   bare_window: mediana $(ms "$b_med"), minimo $(ms "$b_min")"
echo "   rapporto:    mediane $(ratio "$p_med" "$b_med"), minimi $(ratio "$p_min" "$b_min")   (obiettivo <= 1.20)"
echo

# 2. Resident memory with a configuration shown, on the real program.
"$sim" --announce K --auto-reset 1 >"$work/device" 2>"$work/sim.log" &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/device" ] && break; sleep 0.1; done
printf '[CONFIG]\nPort=1\nDevice1=%s\n' "$(head -n 1 "$work/device")" >"$XDG_CONFIG_HOME/SelvanaM/SelvanaM.ini"
mkdir -p "$work/program"
cp "$program" "$work/program/selvanam" # its networks file goes beside it, in the scratch folder
"$work/program/selvanam" >"$work/program.log" 2>&1 &
program_pid=$!
pids+=("$program_pid")
sleep 2
xdotool mousemove 640 512 click 1 # the splash closes on a click
sleep 1
# "Lettura Configurazione", the second toolbar button (no window manager: the window is at 0,0).
xdotool mousemove 200 30 click 1
for _ in $(seq 100); do
    grep -q "configuration sent" "$work/sim.log" && break
    sleep 0.1
done
sleep 1
if ! grep -q "configuration sent" "$work/sim.log"; then
    echo "2. Memoria: la configurazione non è arrivata (vedere $work/sim.log)" >&2
    exit 1
fi
rss_kb=$(awk '/^VmRSS:/ {print $2}' "/proc/$program_pid/status")
bare_rss_kb=$("$bare" | cut -d' ' -f2)
echo "2. Memoria residente con una configurazione mostrata"
echo "   selvanam:    $((rss_kb / 1024)) MB ($rss_kb kB)   (obiettivo < 40 MB)"
echo "   bare_window: $((bare_rss_kb / 1024)) MB ($bare_rss_kb kB); rapporto $(ratio "$rss_kb" "$bare_rss_kb")"
kill "$program_pid" 2>/dev/null || true
echo

# 3. The program's own work per tick and per SAVE.
"$build/bench/selvanam-bench" "$sim" "$cycles" >"$work/bench.txt" 2>"$work/bench.log" || {
    cat "$work/bench.log" >&2
    exit 1
}
get() { awk -v k="$1" '$1 == k {print $2}' "$work/bench.txt"; }
line() {
    local name=$1 label=$2
    printf '   %-26s CPU mediana %s, max %s; tempo reale mediana %s, max %s; CPU/obiettivo %s\n' \
        "$label" "$(ms "$(get "${name}_median_cpu_us")")" "$(ms "$(get "${name}_max_cpu_us")")" \
        "$(ms "$(get "${name}_median_wall_us")")" "$(ms "$(get "${name}_max_wall_us")")" \
        "$(ratio "$(get "${name}_median_cpu_us")" 5000)"
}
echo "3. Lavoro del programma ($cycles cicli lettura/scrittura; obiettivo < 5 ms)"
line tick "tick che presenta:"
line save "SAVE:"
line networks_write "di cui riscrittura Reti.cfg:"
echo "   (attese volontarie per tick $(get tick_waits)/$(get tick_count), per SAVE $(get save_waits)/$(get save_count);" \
    "prelazioni da altri processi per tick $(get tick_preemptions)/$(get tick_count))"
