#!/usr/bin/env bash
# pluginval, the cross-format plug-in validator, at its strictest (level 10) on the built VST3 and
# LV2, under a virtual display for its editor tests. Each run's log is kept beside the build.
# pluginval comes from ${TARN_PLUGINVAL:-../shared/tools/pluginval}; where it is absent the check
# says so and is skipped (exit status 77).
# Usage: scripts/validation/pluginval.sh     (Release build in ${TARN_BUILD_DIR:-build})
set -uo pipefail
cd "$(dirname "$0")/../.."
source scripts/validation/lib.sh

build_dir=${TARN_BUILD_DIR:-build}
pluginval=${TARN_PLUGINVAL:-../shared/tools/pluginval}
[ -x "$pluginval" ] || { echo "pluginval: SKIP (no pluginval at $pluginval; set TARN_PLUGINVAL)"; exit 77; }

ensure_packages xvfb xauth || finish pluginval 1 "packages"
[ -f "$build_dir/build.ninja" ] || cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build_dir" --parallel "${TARN_JOBS:-2}" --target Tarn_VST3 Tarn_LV2 >/dev/null || finish pluginval 1 "build"
artefacts="$build_dir/source/Tarn_artefacts/Release"

status=0 summary=()
for format in VST3 LV2; do
    bundle="$artefacts/$format/Tarn.$(tr '[:upper:]' '[:lower:]' <<<"$format")"
    log="$build_dir/pluginval-$format.log"
    start=$SECONDS
    xvfb-run -a "$pluginval" --strictness-level 10 --validate "$bundle" >"$log" 2>&1
    code=$?
    took=$((SECONDS - start))
    # pluginval ends a passing run with SUCCESS; anything else, or a non-zero status, fails.
    if [ $code -eq 0 ] && tail -1 "$log" | grep -qx SUCCESS; then
        summary+=("$format passed in ${took} s")
    else
        status=1
        summary+=("$format FAILED (status $code, log $log)")
        grep -E 'FAILED|!!!|Error' "$log" | head -20
    fi
done
joined=$(printf '%s, ' "${summary[@]}")
finish pluginval $status "strictness 10: ${joined%, }; logs in $build_dir/pluginval-*.log"
