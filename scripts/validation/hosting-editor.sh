#!/usr/bin/env bash
# The hosting tests' editor cases under a virtual display. ctest runs the whole hosting program
# under xvfb-run when it was installed at configure time; on a clean machine it is not, and the
# editor cases skip there, so they run again here.
# Usage: scripts/validation/hosting-editor.sh     (build in ${TARN_BUILD_DIR:-build})
set -uo pipefail
cd "$(dirname "$0")/../.."
source scripts/validation/lib.sh

build_dir=${TARN_BUILD_DIR:-build}
ensure_packages xvfb xauth || finish hosting-editor 1 "packages"
cmake --build "$build_dir" --parallel "${TARN_JOBS:-2}" --target tarn_hosting_tests >/dev/null || finish hosting-editor 1 "build"
xvfb-run -a "$build_dir/tests/hosting/tarn_hosting_tests" --gtest_filter='*Editor*' 2>&1 | grep -E '^\[  (PASSED|FAILED|SKIPPED)|Failure' 
status=${PIPESTATUS[0]}
finish hosting-editor "$status"
