#!/usr/bin/env bash
# libFuzzer on the two inputs Tarn takes from outside: saved states (fuzz_state) and audio files
# for the analyser (fuzz_audio_file), each for a bounded time, built with AddressSanitizer and
# UndefinedBehaviorSanitizer in a build of its own (build-fuzz). The run starts from the committed
# seed corpus (tests/fuzz/corpus) and the past failures (tests/fuzz/regressions); the corpus it
# grows stays in build-fuzz. An input that crashes, leaks or times out is copied to
# tests/fuzz/regressions/<target>/ (commit it with the fix: ctest replays it from then on).
# The mutations start from a fixed seed (TARN_FUZZ_SEED, default 1), so every CI run tries the same
# inputs in the same order (how far it gets in the time depends on the machine); TARN_FUZZ_SEED=0
# picks a new seed each run, for exploring by hand.
# Usage: scripts/validation/fuzz.sh [SECONDS_PER_TARGET]      (default 90; TARN_FUZZ_TARGETS picks)
set -uo pipefail
cd "$(dirname "$0")/../.."
source scripts/validation/lib.sh

seconds=${1:-90}
build_dir=build-fuzz
ensure_packages clang libclang-rt-dev || finish fuzz 1 "packages"
# UBSan recoverable in the build so that scripts/validation/ubsan.supp applies; halt_on_error stops
# at any other report.
flags="-fsanitize=address,undefined,fuzzer-no-link -fno-omit-frame-pointer -g -O1"
mkdir -p "$build_dir"
CFLAGS="$flags" CXXFLAGS="$flags" LDFLAGS="-fsanitize=address,undefined" \
    build_targets "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        -DTARN_BUILD_BENCHMARKS=OFF -DTARN_BUILD_FUZZERS=ON -- fuzz_state fuzz_audio_file >"$build_dir/validation-build.log" 2>&1 \
    || { tail -30 "$build_dir/validation-build.log"; finish fuzz 1 "build failed, see $build_dir/validation-build.log"; }

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:suppressions=$PWD/scripts/validation/ubsan.supp"
status=0
summary=()
for target in ${TARN_FUZZ_TARGETS:-state audio_file}; do
    corpus="$build_dir/fuzz-corpus/$target"
    artifacts="$build_dir/fuzz-artifacts/$target"
    rm -rf "$artifacts"   # only this run's findings are copied out
    mkdir -p "$corpus" "$artifacts"
    max_len=262144 dict=()   # states far larger than Tarn writes must be refused, not parsed
    if [ "$target" = audio_file ]; then max_len=65536; else dict=(-dict=tests/fuzz/state.dict); fi
    log="$build_dir/fuzz-$target.log"
    echo "--- fuzz_$target for $seconds s"
    "$build_dir/tests/fuzz/fuzz_$target" "$corpus" "tests/fuzz/corpus/$target" "tests/fuzz/regressions/$target" \
        "${dict[@]}" -max_total_time="$seconds" -seed="${TARN_FUZZ_SEED:-1}" -max_len=$max_len -timeout=25 -rss_limit_mb=2048 \
        -artifact_prefix="$artifacts/" -print_final_stats=1 >"$log" 2>&1
    code=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    cov=$(grep -oE 'cov: [0-9]+' "$log" | tail -1)
    if [ $code -ne 0 ]; then
        status=1
        grep -E 'ERROR|runtime error|Test unit written|deadly signal|timeout' "$log" | head -10
        for f in "$artifacts"/*; do
            [ -f "$f" ] && cp "$f" "tests/fuzz/regressions/$target/" && echo "kept $f in tests/fuzz/regressions/$target/"
        done
        summary+=("$target FAILED after ${runs:-?} runs")
    else
        summary+=("$target ${runs:-?} runs, $cov")
    fi
done
finish fuzz $status "$(IFS=,; echo "${summary[*]}")"
