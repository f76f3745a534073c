#!/usr/bin/env bash
# The same code on JUCE 8: unpacks the pinned JUCE 8 release, installs it in a folder of its own,
# builds Tarn against it (found with JUCE_DIR), runs the whole ctest suite there, then compares
# the two builds: the readings of `tarn analyse --json` on the demo programme must be identical,
# and the three `tarn snapshot` views must agree within the tolerance below.
# JUCE 8 comes from ${TARN_JUCE8_TARBALL:-../shared/third_party/JUCE-8.0.12.tar.gz} (the public
# release, unchanged); where it is absent the check says so and is skipped (exit status 77).
# Usage: scripts/validation/juce8.sh   (JUCE 7 Release build in ${TARN_BUILD_DIR:-build};
#                                       JUCE 8 and its build in ${TARN_JUCE8_DIR:-build-juce8})
set -uo pipefail
cd "$(dirname "$0")/../.."
source scripts/validation/lib.sh

tarball=${TARN_JUCE8_TARBALL:-../shared/third_party/JUCE-8.0.12.tar.gz}
[ -f "$tarball" ] || { echo "juce8: SKIP (no JUCE 8 release at $tarball; set TARN_JUCE8_TARBALL)"; exit 77; }
build7=${TARN_BUILD_DIR:-build}
work=${TARN_JUCE8_DIR:-build-juce8}
mkdir -p "$work"
work=$(cd "$work" && pwd)

# Pictures agree when no pixel differs by more than hard_fuzz_percent of full scale and at most
# max_differing_permille of them by more than fuzz_percent: JUCE 8 rasterises glyph edges a little
# differently (measured: 0.6 to 1.8 per mille of the pixels beyond 20 %, none beyond 40 %).
fuzz_percent=20
hard_fuzz_percent=40
max_differing_permille=3

ensure_packages imagemagick python3 xvfb xauth || finish juce8 1 "packages"

source_dir=$(tar tzf "$tarball" | head -1 | cut -d/ -f1)
if [ ! -f "$work/$source_dir/CMakeLists.txt" ]; then
    tar xzf "$tarball" -C "$work" || finish juce8 1 "unpack $tarball"
fi
juce_dir=$(ls -d "$work"/juce-install/lib/cmake/JUCE-* 2>/dev/null | head -1)
if [ -z "$juce_dir" ]; then
    echo "--- installing $source_dir into $work/juce-install"
    { cmake -S "$work/$source_dir" -B "$work/juce-build" -G Ninja -DJUCE_BUILD_EXTRAS=OFF -DJUCE_BUILD_EXAMPLES=OFF \
            -DCMAKE_INSTALL_PREFIX="$work/juce-install" \
      && cmake --build "$work/juce-build" --parallel "${TARN_JOBS:-2}" \
      && cmake --install "$work/juce-build"; } >"$work/juce-install.log" 2>&1 || { tail -20 "$work/juce-install.log"; finish juce8 1 "JUCE 8 install"; }
    juce_dir=$(ls -d "$work"/juce-install/lib/cmake/JUCE-* | head -1)
fi

echo "--- building Tarn against $(basename "$juce_dir")"
build_targets "$work/tarn" -DCMAKE_BUILD_TYPE=Release -DTARN_BUILD_BENCHMARKS=OFF -DJUCE_DIR="$juce_dir" -- all \
    >"$work/tarn-build.log" 2>&1 || { grep -E 'error|FAILED' "$work/tarn-build.log" | head -20; finish juce8 1 "build against JUCE 8"; }

echo "--- the whole test suite on JUCE 8"
# JUCE's own LV2 host shows an editor through X11 embedding, which queues a callback without
# guarding its own lifetime; on a busy machine the hosting test that opens and closes editors while
# audio runs has crashed in it (JUCE 8.0.12, once in seven runs). That test alone gets a second try,
# and the log says when it needed one.
ctest --test-dir "$work/tarn" --parallel "${TARN_JOBS:-2}" --output-on-failure -E '^tarn_hosting_tests$' >"$work/ctest.log" 2>&1
tests_ok=$?
tests_line=$(grep -E 'tests passed' "$work/ctest.log" | tail -1)
ctest --test-dir "$work/tarn" --output-on-failure -R '^tarn_hosting_tests$' --repeat until-pass:2 >"$work/ctest-hosting.log" 2>&1 || tests_ok=1
grep -q 'tarn_hosting_tests .*Failed' "$work/ctest-hosting.log" && echo "juce8: the hosting test needed its second try ($work/ctest-hosting.log)"
tests_line="$tests_line, and the hosting test $(grep -q '100% tests passed' "$work/ctest-hosting.log" && echo passed || echo FAILED)"
[ $tests_ok -eq 0 ] || grep -hE 'Failed|\*\*\*' "$work/ctest.log" "$work/ctest-hosting.log" | head -20

cmake --build "$build7" --parallel "${TARN_JOBS:-2}" --target tarn >/dev/null || finish juce8 1 "JUCE 7 build"
out="$work/compare"
rm -rf "$out"
mkdir -p "$out/7" "$out/8"
for v in 7 8; do
    tarn="$build7/tools/tarn/tarn"
    [ $v = 8 ] && tarn="$work/tarn/tools/tarn/tarn"
    "$tarn" analyse --json "$out/$v/demo.json" >/dev/null || finish juce8 1 "JUCE $v analyser"
    for view in live track-pass guide; do
        "$tarn" snapshot --view $view --out "$out/$v/$view.png" >/dev/null || finish juce8 1 "JUCE $v snapshot"
    done
done

# The two JSON writers print the same doubles differently (JUCE 7 with 16 or 17 significant digits,
# JUCE 8 with at most 15 decimal places), so the numbers are compared to what both print: equal to
# 11 significant digits, or within 1e-15.
python3 - "$out/7/demo.json" "$out/8/demo.json" <<'PY'
import json, math, sys

def same(a, b, path="$"):
    if isinstance(a, dict) and isinstance(b, dict):
        return a.keys() == b.keys() and all(same(a[k], b[k], f"{path}.{k}") for k in a)
    if isinstance(a, list) and isinstance(b, list):
        return len(a) == len(b) and all(same(x, y, f"{path}[{i}]") for i, (x, y) in enumerate(zip(a, b)))
    if isinstance(a, (int, float)) and isinstance(b, (int, float)) and not isinstance(a, bool):
        if a == b or math.isclose(a, b, rel_tol=1e-11, abs_tol=1e-15):
            return True
    elif a == b:
        return True
    print(f"  {path}: JUCE 7 {a!r}, JUCE 8 {b!r}")
    return False

a, b = (json.load(open(p)) for p in sys.argv[1:3])
sys.exit(0 if same(a, b) else 1)
PY
readings_ok=$?
[ $readings_ok -eq 0 ] && readings="readings equal to 11 significant digits" || readings="READINGS DIFFER ($out/7/demo.json, $out/8/demo.json)"

pictures_ok=0 pictures=()
for view in live track-pass guide; do
    size7=$(identify -format '%wx%h' "$out/7/$view.png") size8=$(identify -format '%wx%h' "$out/8/$view.png")
    if [ "$size7" != "$size8" ]; then pictures_ok=1; pictures+=("$view SIZE $size7 against $size8"); continue; fi
    total=$(( ${size7%x*} * ${size7#*x} ))
    differing=$(compare -metric AE -fuzz "${fuzz_percent}%" "$out/7/$view.png" "$out/8/$view.png" "$out/$view-diff.png" 2>&1 >/dev/null)
    far=$(compare -metric AE -fuzz "${hard_fuzz_percent}%" "$out/7/$view.png" "$out/8/$view.png" null: 2>&1)
    differing=${differing%% *} far=${far%% *}
    [[ "$differing" =~ ^[0-9]+$ && "$far" =~ ^[0-9]+$ ]] || { pictures_ok=1; pictures+=("$view: compare failed"); continue; }
    [ $(( differing * 1000 )) -le $(( max_differing_permille * total )) ] && [ "$far" -eq 0 ] || pictures_ok=1
    pictures+=("$view $differing px beyond ${fuzz_percent}%, $far beyond ${hard_fuzz_percent}%")
done

joined=$(printf '%s, ' "${pictures[@]}")
status=0
[ $tests_ok -eq 0 ] && [ $readings_ok -eq 0 ] && [ $pictures_ok -eq 0 ] || status=1
finish juce8 $status "$(basename "$juce_dir"): ${tests_line:-ctest did not finish}; $readings; pictures (at most ${max_differing_permille} per mille beyond ${fuzz_percent}%, none beyond ${hard_fuzz_percent}%): ${joined%, }; in $out"
