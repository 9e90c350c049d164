#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (only those missing), then
# configures and builds. Safe to run again at any time.
#
#   scripts/setup.sh              release build with debug info in build/
#   scripts/setup.sh --sanitize   AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
#   SELVANA_WERROR=ON scripts/setup.sh ...   any compiler warning fails the build (as in CI); the
#                                            build folder keeps the setting until given OFF
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/packages.sh

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

packages=("${build_packages[@]}")

ensure_packages "${packages[@]}"

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
werror=()
[ -z "${SELVANA_WERROR:-}" ] || werror=(-DSELVANA_WERROR="$SELVANA_WERROR")
if [ ! -f "$build_dir/CMakeCache.txt" ]; then
    cmake -S . -B "$build_dir" "${generator[@]}" "${cmake_args[@]}" "${werror[@]}"
elif ((${#werror[@]})); then
    cmake -S . -B "$build_dir" "${werror[@]}"
fi
cmake --build "$build_dir" --parallel "$(nproc)"
