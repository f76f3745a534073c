#!/usr/bin/env bash
# Validates the built LV2 bundle's Turtle files against the installed LV2 specifications
# (lv2_validate), and checks that lilv finds the plug-in under its URI with a stereo pair of ports.
# lv2_validate reports a few errors that come from the Turtle JUCE 7.0.5 writes for every plug-in;
# those are listed below and tolerated. Any other error fails.
# Usage: scripts/validation/lv2-validate.sh     (Release build in ${TARN_BUILD_DIR:-build})
set -uo pipefail
cd "$(dirname "$0")/../.."
source scripts/validation/lib.sh

build_dir=${TARN_BUILD_DIR:-build}
uri="https://fennick.example/plugins/tarn"

ensure_packages lv2-dev sordi lilv-utils || finish lv2-validate 1 "packages"
[ -f "$build_dir/build.ninja" ] || cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build_dir" --parallel "${TARN_JOBS:-2}" --target Tarn_LV2 >/dev/null || finish lv2-validate 1 "build"
bundle="$build_dir/source/Tarn_artefacts/Release/LV2/Tarn.lv2"

# Errors written by JUCE's LV2 generator (juce_audio_plugin_client/LV2/juce_LV2_Client.cpp), one per
# line as "message | property | object":
#  - doap:maintainer and doap:release on the plug-in, whose domain is doap:Project;
#  - ui:noUserResize given as the UI's extension data (it is a feature);
#  - opts:interface given as the UI's optional feature (it is extension data);
#  - the default program's preset stores a property <URI:Program> that is not defined anywhere.
juce_errors=$(cat <<'EOF'
Subject not in domain <http://usefulinc.com/ns/doap#Project> | http://usefulinc.com/ns/doap#maintainer
Subject not in domain <http://usefulinc.com/ns/doap#Project> | http://usefulinc.com/ns/doap#release
Object not in range <http://lv2plug.in/ns/lv2core#ExtensionData> | http://lv2plug.in/ns/lv2core#extensionData | http://lv2plug.in/ns/extensions/ui#noUserResize
Object not in range <http://lv2plug.in/ns/lv2core#Feature> | http://lv2plug.in/ns/lv2core#optionalFeature | http://lv2plug.in/ns/ext/options#interface
Use of undefined property | https://fennick.example/plugins/tarn:Program
Property <https://fennick.example/plugins/tarn:Program> has no label | https://fennick.example/plugins/tarn:Program
EOF
)

report=$(lv2_validate "$bundle"/*.ttl 2>&1)
found_line=$(grep -E '^Found [0-9]+ errors' <<<"$report")
[ -n "$found_line" ] || { echo "$report" | tail -20; finish lv2-validate 1 "lv2_validate did not run"; }

# Each error as "message | property | object" (blank nodes dropped: their names change per run).
errors=$(awk '
    /^error: / { if (msg != "") print line; msg = substr($0, 8); line = msg; n = 0; next }
    msg != "" && /^ +[^ ]/ { n++; sub(/^ +/, ""); if (n >= 2 && $0 !~ /^b[0-9]+$/ && $0 != "0") line = line " | " $0 }
    END { if (msg != "") print line }' <<<"$report")

ours=0 theirs=0
while IFS= read -r e; do
    [ -n "$e" ] || continue
    known=0
    while IFS= read -r k; do
        [[ "$e" == "$k"* ]] && known=1 && break
    done <<<"$juce_errors"
    if [ $known -eq 1 ]; then theirs=$((theirs + 1)); echo "  JUCE generator: $e"; else ours=$((ours + 1)); echo "  NOT KNOWN:      $e"; fi
done <<<"$errors"
echo "$found_line"

# lilv finds the plug-in by its URI, with two audio inputs and two audio outputs.
info=$(LV2_PATH="$(cd "$bundle/.." && pwd)" lv2info "$uri" 2>&1)
ports_ok=0
if grep -q "^$uri" <<<"$info" && [ "$(grep -c 'http://lv2plug.in/ns/lv2core#AudioPort' <<<"$info")" -eq 4 ] \
    && [ "$(grep -cE 'Symbol: +audio_(in|out)_[12]$' <<<"$info")" -eq 4 ]; then
    ports_ok=1
else
    echo "lv2info:"; echo "$info" | head -30
fi

status=0
[ $ours -eq 0 ] || status=1
[ $ports_ok -eq 1 ] || status=1
finish lv2-validate $status "$ours errors from our metadata, $theirs known from JUCE's generator; lilv sees $([ $ports_ok -eq 1 ] && echo "4 audio ports" || echo "NOT the expected ports")"
