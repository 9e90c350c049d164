#!/usr/bin/env bash
# Remakes the README's screenshots (docs/screenshots/*.png): the real windows under a virtual X
# server (Xvfb), against the simulated peripheral. Run it after every change to the windows.
# Installs what it needs when missing (root or sudo); builds into build-release/.
#   scripts/screenshots.sh [OUTPUT_FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/packages.sh
source scripts/lib/release_build.sh

out=${1:-docs/screenshots}
build_dir=$release_build_dir
packages=(
    "${build_packages[@]}"
    "${release_packages[@]}"
    xvfb xauth # the virtual X server and xvfb-run
    openbox    # a window manager: title bars, and dialogs over their window
)
ensure_packages "${packages[@]}"

configure_release_build -DSELVANA_BUILD_TESTS=OFF >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)" --target selvanam-shots selvanam-sim

# Italian number formatting, as an installer's PC has it; the default Qt style of a plain X.
unset QT_QPA_PLATFORM QT_STYLE_OVERRIDE
export LANG=it_IT.UTF-8 LC_ALL=
# shots SCREEN SCALE [NAME]: under an X server of that screen size, at that scale factor; with
# a NAME, only the window showing a configuration, as NAME.png.
shots() {
    QT_SCALE_FACTOR=$2 xvfb-run --auto-servernum --server-args="-screen 0 ${1}x24" bash -c '
        openbox >/dev/null 2>&1 &
        wm=$!
        sleep 1
        "$@"
        rc=$?
        kill $wm
        exit $rc' screenshots \
        "$build_dir/tools/screenshots/selvanam-shots" "$out" "$build_dir/tools/simulator/selvanam-sim" \
        "${@:3}"
}
shots 1280x1024 1
# Small screens: the editor scrolls inside a window that fills the screen.
shots 1024x600 1 netbook-1024x600
shots 1366x768 1.5 laptop-1366x768-150
