#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang, AddressSanitizer and UBSan in
# build-fuzz/, then runs each for the given time, one after the other. Installs the Debian
# packages it needs when they are missing. Exits non-zero when a target finds something; the
# input that did it is kept in build-fuzz/findings/.
#
#   scripts/fuzz.sh [seconds-per-target] [target...]    (default 60 s; targets: link frames
#                                                        config_file networks)
#   FUZZ_ARGS="-runs=10000000" scripts/fuzz.sh 0 link   (any further libFuzzer options)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/packages.sh

seconds=${1:-60}
shift || true
targets=("$@")
((${#targets[@]})) || targets=(link frames config_file networks)
build_dir=build-fuzz

packages=(
    "${build_packages[@]}"
    clang libclang-rt-14-dev # libFuzzer and the sanitizer runtimes
)
ensure_packages "${packages[@]}"

if [ ! -f "$build_dir/CMakeCache.txt" ]; then
    generator=()
    command -v ninja >/dev/null && generator=(-G Ninja)
    CC=clang CXX=clang++ cmake -S . -B "$build_dir" "${generator[@]}" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSELVANA_FUZZ=ON -DSELVANA_WERROR="${SELVANA_WERROR:-OFF}"
fi
cmake --build "$build_dir" --parallel "$(nproc)" --target "${targets[@]/#/fuzz_}"

# Temporary files in memory where possible: the networks target writes real files.
[ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ] && export TMPDIR=/dev/shm
# Allocation and free stacks one frame deep: the fast unwinder walks on through Qt's frames (built
# without frame pointers) into garbage, and ASan keeps every distinct stack for good, so deeper
# stacks grow its memory with every input. The stack of a finding itself is unwound in full; to
# see where its memory was allocated, replay it with ASAN_OPTIONS=fast_unwind_on_malloc=0.
# A smaller quarantine of freed memory than the 256 MB default still holds the frees of
# thousands of inputs, far more than any one input's lifetime.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:malloc_context_size=1:quarantine_size_mb=64}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp}"

failed=()
for t in "${targets[@]}"; do
    # New inputs go to the build folder; the committed seeds stay as they are.
    work="$build_dir/corpus/$t"
    findings="$build_dir/findings"
    mkdir -p "$work" "$findings"
    echo "== fuzz_$t: ${seconds} s"
    # shellcheck disable=SC2086 # FUZZ_ARGS is a list of options
    if ! "$build_dir/tests/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/$t-" \
        ${FUZZ_ARGS:-} "$work" "tests/fuzz/corpus/$t"; then
        failed+=("$t")
    fi
done
if ((${#failed[@]})); then
    echo "Il fuzzing ha trovato errori in: ${failed[*]} (input in $build_dir/findings/)" >&2
    exit 1
fi
