#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (only those missing), then
# configures and builds. Safe to run again at any time.
#
#   scripts/setup.sh              release build with debug info in build/
#   scripts/setup.sh --sanitize   AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=build
cmake_args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
for arg in "$@"; do
    case "$arg" in
    --sanitize)
        build_dir=build-asan
        cmake_args=(-DCMAKE_BUILD_TYPE=Debug -DSELVANA_SANITIZE=ON)
        ;;
    *)
        echo "uso: $0 [--sanitize]" >&2
        exit 2
        ;;
    esac
done

packages=(
    cmake ninja-build g++ pkg-config       # toolchain
    qt6-base-dev qt6-serialport-dev libgl-dev # Qt 6 Core, Gui, Widgets, Test, SerialPort
    fonts-dejavu-core                      # a font for windows drawn offscreen
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "Installo i pacchetti mancanti: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
if [ ! -f "$build_dir/CMakeCache.txt" ]; then
    cmake -S . -B "$build_dir" "${generator[@]}" "${cmake_args[@]}"
fi
cmake --build "$build_dir" --parallel "$(nproc)"
