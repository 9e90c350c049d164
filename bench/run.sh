#!/usr/bin/env bash
# Measures, in one run, under a virtual X server (Xvfb), on a release build (build-release/):
#   1. start-up: process start to the first window shown (the splash), against bench/bare_window,
#      a Qt program that only opens a window; RUNS runs each (at least 20), alternating, after a
#      warm-up; the ratio of the medians and the spread of the ratio run by run; then, for the
#      same runs, when the splash's texts were on the screen and how long after its first frame;
#   2. resident memory of the installed-style program with a configuration shown: the real
#      selvanam, its splash clicked away and "Lettura Configurazione" clicked (xdotool), against a
#      simulated peripheral that presses RESET every second;
#   3. the program's own work in one timer tick that receives and presents a configuration and in
#      one "SAVE" (collect, assemble, send), over CYCLES read/write cycles (bench/selvanam-bench).
# The release build is configured as scripts/package.sh builds the package (hardening flags), so
# what is measured is what is shipped. Installs what it needs when missing (root or sudo).
# Nothing touches your own settings.
#   bench/run.sh            RUNS=21 CYCLES=20 by default: RUNS=41 bench/run.sh
#   STARTUP_ONLY=1 bench/run.sh   the start-up measure alone
#   LOAD=4 bench/run.sh           the start-up measure with 4 busy processes beside it
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/packages.sh
source scripts/lib/release_build.sh
source scripts/lib/simulator.sh

runs=${RUNS:-21}
cycles=${CYCLES:-20}
build=$release_build_dir
load=${LOAD:-0}
[ "$runs" -ge 20 ] || { echo "RUNS: almeno 20 prove" >&2; exit 2; }
[[ "$load" =~ ^[0-9]+$ ]] || { echo "LOAD: un numero di processi" >&2; exit 2; }

if [ -z "${SELVANA_BENCH_INSIDE_X:-}" ]; then
    packages=("${build_packages[@]}" "${release_packages[@]}" xvfb xauth xdotool)
    ensure_packages "${packages[@]}"
    configure_release_build -DSELVANA_BUILD_TESTS=OFF >/dev/null
    cmake --build "$build" --parallel "$(nproc)" \
        --target selvanam selvanam-sim selvanam-bench bare_window >/dev/null
    # No window manager: nothing between the program and the X server but Xvfb itself.
    # -noreset: otherwise Xvfb resets itself each time its last client leaves, reloading its
    # keyboard map (an xkbcomp process) and its GL module, about 100 ms of processor time that
    # overlaps the next program's start; a desktop's X server never does that between programs.
    exec xvfb-run --auto-servernum --server-args="-noreset -screen 0 1280x1024x24" \
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
# Median, quartiles (nearest rank), minimum and maximum of numbers, one a line, each divided by
# DIV and printed with FMT.
spread() {
    sort -g | awk -v div="${DIV:-1}" -v fmt="${FMT:-%.1f}" '
        function at(q,  i) { i = int(q * NR + 0.999999); return v[i < 1 ? 1 : i] / div }
        { v[NR] = $1 }
        END {
            med = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
            printf "mediana " fmt ", quartili " fmt " - " fmt ", min " fmt ", max " fmt "\n", \
                med / div, at(0.25), at(0.75), v[1] / div, v[NR] / div
        }'
}
ms() { awk -v us="$1" 'BEGIN {printf "%.1f ms", us / 1000}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }

# Launch to the first window: "WALL THREAD PROCESS", microseconds of wall clock from launch, and
# of processor time used by the window's thread and by the whole process (the program prints the
# moment its window was exposed and its processor times). selvanam then prints the same three for
# the frame that brings the splash's texts, and whether its fonts had a thread of their own: those
# follow as "TEXT_WALL TEXT_THREAD TEXT_PROCESS FONT_THREAD" (text wall clock from launch too).
first_window() {
    local start out wall thread process twall tthread tprocess fonts
    start=$(now_us)
    out=$("$@")
    read -r wall thread process twall tthread tprocess fonts _ <<<"$out"
    if [ -n "${fonts:-}" ]; then
        [ "$twall" -lt 0 ] || twall=$((twall - start))
        echo "$((wall - start)) $thread $process $twall $tthread $tprocess $fonts"
    else
        echo "$((wall - start)) $thread $process"
    fi
}
column() { printf '%s\n' "${@:2}" | cut -d' ' -f"$1"; }

echo "Macchina: $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) core, $(free -g | awk '/^Mem:/ {print $2}') GiB;" \
    "Debian $(cat /etc/debian_version), Qt $(dpkg-query -W -f='${Version}' libqt6core6 2>/dev/null | cut -d+ -f1);" \
    "carico medio $(cut -d' ' -f1-3 /proc/loadavg)"
echo

# 1. Start-up: the two programs alternate, so a change of the machine's load falls on both.
busy=()
for _ in $(seq "$load"); do
    (while :; do :; done) &
    busy+=($!)
    pids+=($!)
done
for _ in 1 2; do # warm-up: libraries, fonts and plugins into the page cache
    first_window "$bare" >/dev/null
    SELVANA_BENCH_FIRST_WINDOW=1 first_window "$program" >/dev/null
done
program_runs=() bare_runs=() pair_ratios=()
for _ in $(seq "$runs"); do
    b=$(first_window "$bare")
    p=$(SELVANA_BENCH_FIRST_WINDOW=1 first_window "$program")
    bare_runs+=("$b")
    program_runs+=("$p")
    pair_ratios+=("$(awk -v a="${p%% *}" -v b="${b%% *}" 'BEGIN {printf "%.4f", a / b}')")
done
p_med=$(column 1 "${program_runs[@]}" | median)
b_med=$(column 1 "${bare_runs[@]}" | median)
echo "1. Avvio fino alla prima finestra ($runs prove alternate ciascuno; ms)"
echo "   processi occupati accanto: $load; carico medio alla fine: $(cut -d' ' -f1-3 /proc/loadavg)"
if [ "$load" -gt 0 ]; then
    kill "${busy[@]}" 2>/dev/null || true
    wait "${busy[@]}" 2>/dev/null || true
fi
echo "   selvanam:    $(column 1 "${program_runs[@]}" | DIV=1000 spread)"
echo "   bare_window: $(column 1 "${bare_runs[@]}" | DIV=1000 spread)"
echo "   rapporto delle mediane: $(ratio "$p_med" "$b_med")   (obiettivo <= 1.10)"
echo "   rapporto prova per prova: $(printf '%s\n' "${pair_ratios[@]}" | FMT=%.2f spread)"
# Processor time does not grow with the machine's load the way the wall clock does.
for what in "2 thread della finestra" "3 processo intero"; do
    p_cpu=$(column "${what%% *}" "${program_runs[@]}" | median)
    b_cpu=$(column "${what%% *}" "${bare_runs[@]}" | median)
    echo "   processore, ${what#* }: selvanam $(ms "$p_cpu"), bare_window $(ms "$b_cpu")," \
        "differenza $(ms "$(awk -v a="$p_cpu" -v b="$b_cpu" 'BEGIN {print a - b}')"), rapporto $(ratio "$p_cpu" "$b_cpu") (mediane)"
done
# The splash's first frame holds its frame and logo; its texts come in the frames after it.
echo "   selvanam, testi della finestra iniziale sullo schermo: $(column 4 "${program_runs[@]}" | DIV=1000 spread)"
echo "   testi dopo la prima finestra: $(for r in "${program_runs[@]}"; do
    read -r w _ _ t _ <<<"$r"
    echo $((t - w))
done | DIV=1000 spread)"
echo "   caratteri preparati in un thread a parte: $(column 7 "${program_runs[@]}" | awk '{n += $1} END {print n + 0}') prove su $runs"
echo
[ -z "${STARTUP_ONLY:-}" ] || exit 0

# 2. Resident memory with a configuration shown, on the real program.
start_simulator "$work" "$sim" --announce K --auto-reset 1
pids+=("$simulator_pid")
printf '[CONFIG]\nPort=1\nDevice1=%s\n' "$simulator_device" >"$XDG_CONFIG_HOME/SelvanaM/SelvanaM.ini"
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
    grep -q "configuration sent" "$work/simulator.log" && break
    sleep 0.1
done
sleep 1
if ! grep -q "configuration sent" "$work/simulator.log"; then
    echo "2. Memoria: la configurazione non è arrivata (vedere $work/simulator.log)" >&2
    exit 1
fi
rss_kb=$(awk '/^VmRSS:/ {print $2}' "/proc/$program_pid/status")
bare_rss_kb=$("$bare" | cut -d' ' -f4)
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
