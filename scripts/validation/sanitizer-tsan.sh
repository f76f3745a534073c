#!/usr/bin/env bash
# ThreadSanitizer: the audio thread and the editor at full speed together (Concurrency.* in
# tarn_ui_tests) for ${TARN_CONCURRENCY_SECONDS:-8} seconds, in a build of their own (build-tsan).
# Any report fails the run.
# Usage: scripts/validation/sanitizer-tsan.sh
set -uo pipefail
cd "$(dirname "$0")/../.."
source scripts/validation/lib.sh

build_dir=build-tsan
ensure_packages clang libclang-rt-dev || finish sanitizer-tsan 1 "packages"
flags="-fsanitize=thread -g -O1 -fno-omit-frame-pointer"
mkdir -p "$build_dir"
CFLAGS="$flags" CXXFLAGS="$flags" LDFLAGS="-fsanitize=thread" \
    build_targets "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        -DTARN_BUILD_BENCHMARKS=OFF -- tarn_ui_tests >"$build_dir/validation-build.log" 2>&1 \
    || { tail -30 "$build_dir/validation-build.log"; finish sanitizer-tsan 1 "build failed, see $build_dir/validation-build.log"; }

seconds=${TARN_CONCURRENCY_SECONDS:-8}
log=$(mktemp)
trap 'rm -f "$log"' EXIT
TARN_CONCURRENCY_SECONDS=$seconds TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 history_size=4" \
    "$build_dir/tests/tarn_ui_tests" --gtest_filter='Concurrency.*' >"$log" 2>&1
status=$?
if grep -q 'WARNING: ThreadSanitizer' "$log"; then
    grep -A40 'WARNING: ThreadSanitizer' "$log" | head -80
    status=1
fi
tail -3 "$log"
finish sanitizer-tsan $status "$seconds s of audio thread and editor together, $(grep -c 'WARNING: ThreadSanitizer' "$log") reports"
