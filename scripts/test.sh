#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite through CTest. CTest starts
# throwaway PostgreSQL servers for the tests of the shared register and removes them at the end.
#   scripts/test.sh [--sanitize]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh "$@"
source scripts/lib/packages.sh
ensure_packages "${test_packages[@]}"
build_dir=build
[ "${1:-}" = "--sanitize" ] && build_dir=build-asan
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp}"
# Most tests spend their time waiting on pseudo-terminals, timers and the database server rather
# than the processor, so three run per processor.
ctest --test-dir "$build_dir" --output-on-failure --parallel "$(($(nproc) * 3))"
