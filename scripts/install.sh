#!/usr/bin/env bash
# Installs the built plug-ins and the analyser.
#   scripts/install.sh                 VST3 to ~/.vst3, LV2 to ~/.lv2, CLAP to ~/.clap, tarn to ~/.local/bin
#   scripts/install.sh --prefix DIR    DIR/lib/vst3, DIR/lib/lv2, DIR/lib/clap and DIR/bin (e.g. /usr/local)
# The CLAP is installed when the build made one (it needs clap-juce-extensions: see the README).
# Build first (scripts/demo.sh or scripts/test.sh); this script only copies what the build made.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=build
prefix=""
while [ $# -gt 0 ]; do
    case "$1" in
        --prefix) prefix=${2:?--prefix needs a folder}; shift 2 ;;
        --build) build_dir=${2:?--build needs a folder}; shift 2 ;;
        -h|--help) sed -n '2,6p' "$0"; exit 0 ;;
        *) echo "install: unknown argument $1" >&2; exit 2 ;;
    esac
done

if [ -n "$prefix" ]; then
    vst3_dir="$prefix/lib/vst3"; lv2_dir="$prefix/lib/lv2"; clap_dir="$prefix/lib/clap"; bin_dir="$prefix/bin"
else
    vst3_dir="$HOME/.vst3"; lv2_dir="$HOME/.lv2"; clap_dir="$HOME/.clap"; bin_dir="$HOME/.local/bin"
fi

artefacts="$build_dir/source/Tarn_artefacts/Release"
for needed in "$artefacts/VST3/Tarn.vst3" "$artefacts/LV2/Tarn.lv2" "$build_dir/tools/tarn/tarn"; do
    [ -e "$needed" ] || { echo "install: $needed is missing; build first (scripts/demo.sh)" >&2; exit 1; }
done

mkdir -p "$vst3_dir" "$lv2_dir" "$bin_dir"
rm -rf "$vst3_dir/Tarn.vst3" "$lv2_dir/Tarn.lv2"
cp -R "$artefacts/VST3/Tarn.vst3" "$vst3_dir/"
cp -R "$artefacts/LV2/Tarn.lv2" "$lv2_dir/"
install -m 755 "$build_dir/tools/tarn/tarn" "$bin_dir/tarn"
installed="$vst3_dir/Tarn.vst3, $lv2_dir/Tarn.lv2"
if [ -f "$artefacts/CLAP/Tarn.clap" ]; then
    mkdir -p "$clap_dir"
    install -m 755 "$artefacts/CLAP/Tarn.clap" "$clap_dir/Tarn.clap"
    installed="$installed, $clap_dir/Tarn.clap"
fi

echo "installed: $installed, $bin_dir/tarn"
case ":$PATH:" in *":$bin_dir:"*) ;; *) echo "note: $bin_dir is not on your PATH" ;; esac
