#!/usr/bin/env bash
# Builds the Windows programs, selvanam.exe and selvanam-cli.exe, with MinGW-w64 from this
# Linux machine, then their installer and portable zip (scripts/windows/package.sh).
# Installs what is missing; the first run also builds the Windows dependencies (Qt, libpq,
# OpenSSL: scripts/windows/build-deps.sh) into a cache outside the repository, 1-2 hours on 2
# cores; later runs reuse it.
#
#   scripts/windows/build.sh              programs, installer and zip in build-windows/
#   scripts/windows/build.sh --tests      also the test programs (scripts/windows/test.sh runs them)
#   SELVANA_WERROR=ON ...                 any compiler warning fails the build (as in CI)
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/lib/packages.sh
source scripts/windows/env.sh

tests=OFF
for arg in "$@"; do
    case "$arg" in
    --tests) tests=ON ;;
    *)
        echo "uso: $0 [--tests]" >&2
        exit 2
        ;;
    esac
done

if [ "$SELVANA_WINDOWS_READY" != 1 ]; then
    echo "Le dipendenze per Windows non sono ancora nella cache ($SELVANA_WINDOWS_DEPS):"
    echo "le costruisco ora (la prima volta richiede 1-2 ore)."
    scripts/windows/build-deps.sh
    source scripts/windows/env.sh
fi
ensure_packages "${build_packages[@]}" g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)

# The build's own helper program (the splash's pixels) runs here, so it is built for this
# machine first.
host_dir=build-windows-host
if [ ! -f "$host_dir/CMakeCache.txt" ]; then
    cmake -S . -B "$host_dir" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
        -DSELVANA_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$host_dir" --parallel "$(nproc)" --target selvana-image-pixels >/dev/null

build_dir=build-windows
werror=()
[ -z "${SELVANA_WERROR:-}" ] || werror=(-DSELVANA_WERROR="$SELVANA_WERROR")
cmake -S . -B "$build_dir" "${generator[@]}" \
    -DCMAKE_TOOLCHAIN_FILE="$SELVANA_WINDOWS_TOOLCHAIN" \
    -DCMAKE_PREFIX_PATH="$SELVANA_WINDOWS_PREFIX" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_BUILD_TYPE=Release \
    -DSELVANA_HOST_IMAGE_PIXELS="$PWD/$host_dir/tools/image_pixels/selvana-image-pixels" \
    -DSELVANA_BUILD_TESTS="$tests" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$SELVANA_WINE" \
    "${werror[@]}" >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)"
echo "Programmi per Windows: $build_dir/src/selvanam/selvanam.exe, $build_dir/src/selvanam-cli/selvanam-cli.exe"

if [ -x scripts/windows/package.sh ]; then
    scripts/windows/package.sh "$build_dir"
fi
