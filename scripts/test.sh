#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite through CTest, with a
# throwaway PostgreSQL server of its own for the tests of the shared register (stopped and
# removed at the end).
#   scripts/test.sh [--sanitize]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh "$@"
source scripts/lib/packages.sh
ensure_packages "${test_packages[@]}"
source scripts/lib/postgres.sh
pg_dir=$(mktemp -d)
trap 'pg_stop "$pg_dir" || true; rm -rf "$pg_dir"' EXIT
SELVANA_PG_URI=$(pg_start "$pg_dir" --fast)
export SELVANA_PG_URI SELVANA_PG_DIR="$pg_dir"
build_dir=build
[ "${1:-}" = "--sanitize" ] && build_dir=build-asan
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp}"
ctest --test-dir "$build_dir" --output-on-failure --parallel "$(nproc)"
