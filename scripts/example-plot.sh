#!/usr/bin/env bash
# Draws the README's example picture: the loudness history of the built-in demo programme (a
# synthetic signal, no recording), with Spotify as the delivery target.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build
cmake --build build --parallel 2 --target tarn
build/tools/tarn/tarn analyse -q --deliver spotify --plot docs/demo-loudness-history.png
echo "docs/demo-loudness-history.png"
