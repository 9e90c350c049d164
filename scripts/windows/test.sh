#!/usr/bin/env bash
# The Windows leg of the tests: builds the Windows programs and their test programs
# (build.sh --tests, in build-windows/), runs the tests under Wine through CTest, then the
# end-to-end rows against the simulated peripheral (test-e2e.sh) where there is one. Installs
# what is missing. The tests run in a Wine prefix of the build's own (build-windows/wineprefix,
# copied once from the cached one), each as a Windows user of its own.
#
#   scripts/windows/test.sh [CTEST ARGUMENTS...]    e.g. -R tst_atomic_file
#   SELVANA_WINDOWS_TEST_JOBS=N ...                 tests at once (default: 2 per processor)
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/lib/packages.sh
source scripts/windows/env.sh

ensure_packages wine64 wine python3 "${test_packages[@]}"
scripts/windows/build.sh --tests

build_dir=build-windows
# Wine spends much of a test starting programs and waiting for its server, one per prefix, so
# a few more tests than processors keep both busy.
jobs=${SELVANA_WINDOWS_TEST_JOBS:-$(($(nproc) * 2))}
started=$SECONDS
status=0
ctest --test-dir "$build_dir" --output-on-failure --parallel "$jobs" "$@" || status=$?
elapsed=$((SECONDS - started))

# Qt Test's totals of each program, from CTest's log of this run.
log=$build_dir/Testing/Temporary/LastTest.log
read -r passed failed skipped < <(
    sed -n 's/^Totals: \([0-9]*\) passed, \([0-9]*\) failed, \([0-9]*\) skipped.*/\1 \2 \3/p' \
        "$log" 2>/dev/null | awk '{p += $1; f += $2; s += $3} END {print p + 0, f + 0, s + 0}'
)
programs=$(grep -c '^Totals: ' "$log" 2>/dev/null || true)
echo "== Windows, sotto Wine: $programs programmi di prova in ${elapsed} s; casi: $passed" \
    "superati, $failed falliti, $skipped saltati"

e2e=scripts/windows/test-e2e.sh
if [ -x "$e2e" ]; then
    "$e2e" || status=1
fi
exit "$status"
