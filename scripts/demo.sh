#!/usr/bin/env bash
# Sets up, builds the plug-in and the analyser, and analyses the built-in demo programme.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build
cmake --build build --parallel 2 --target Tarn_All tarn
build/tools/tarn/tarn analyse "$@"
