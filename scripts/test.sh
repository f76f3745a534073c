#!/usr/bin/env bash
# Sets up, builds everything and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build
cmake --build build --parallel 2
ctest --test-dir build --output-on-failure --parallel 2
scripts/validation/all.sh
