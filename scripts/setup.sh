#!/usr/bin/env bash
# Installs the Debian packages Tarn builds with (idempotent), then configures the build folder.
# Usage: scripts/setup.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}

packages=(
    g++ cmake ninja-build pkg-config ccache
    juce-modules-source                      # JUCE 7 modules and its CMake package
    libflac-dev libvorbis-dev libogg-dev     # codecs Debian strips from JUCE
    libpng-dev libjpeg-dev
    libebur128-dev                           # the oracle the standard loudness is tested against
    libgtest-dev libbenchmark-dev
    fonts-dejavu-core fonts-dejavu-extra     # the typefaces compiled into the interface (extra: oblique)
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release
