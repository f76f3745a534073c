#!/usr/bin/env bash
# The Standalone app under a virtual display: it starts, opens its window with the editor drawn in
# it, and quits cleanly (exit status 0, within 10 s) when asked with SIGINT, as from a terminal.
# Usage: scripts/validation/standalone-smoke.sh     (Release build in ${TARN_BUILD_DIR:-build})
set -uo pipefail
cd "$(dirname "$0")/../.."
source scripts/validation/lib.sh

build_dir=${TARN_BUILD_DIR:-build}
ensure_packages xvfb xauth x11-utils x11-apps python3 || finish standalone-smoke 1 "packages"
[ -f "$build_dir/build.ninja" ] || cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build_dir" --parallel "${TARN_JOBS:-2}" --target Tarn_Standalone >/dev/null || finish standalone-smoke 1 "build"
app=$(cd "$build_dir/source/Tarn_artefacts/Release/Standalone" && pwd)/Tarn

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Runs inside the virtual display. The app gets a home of its own, so its saved settings start
# empty and nobody else's are touched.
cat >"$work/run.sh" <<'EOF'
app=$1 work=$2
HOME="$work" "$app" >"$work/app.log" 2>&1 &
pid=$!
window=""
for _ in $(seq 150); do
    window=$(xwininfo -root -tree 2>/dev/null | awk '/"Tarn": \("Tarn"/ { print $1; exit }')
    [ -n "$window" ] && break
    kill -0 $pid 2>/dev/null || break
    sleep 0.2
done
[ -n "$window" ] || { echo "no window appeared"; kill -9 $pid 2>/dev/null; exit 1; }
sleep 2   # a few refresh ticks of the editor
xwd -silent -id "$window" -out "$work/window.xwd" || { kill -9 $pid; exit 1; }
read -r width height colours < <(python3 "$(dirname "$0")/xwd_colours.py" "$work/window.xwd")
echo "window $window: ${width}x${height}, $colours distinct colours"

kill -INT $pid
for _ in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.2; done
if kill -0 $pid 2>/dev/null; then echo "still running 10 s after SIGINT"; kill -9 $pid; exit 1; fi
wait $pid
code=$?
echo "exit status $code"
[ $code -eq 0 ] && [ "$width" -ge 400 ] && [ "$height" -ge 300 ] && [ "$colours" -ge 16 ]
EOF
cp scripts/validation/xwd_colours.py "$work/"

if xvfb-run -a -s "-screen 0 1600x1200x24" bash "$work/run.sh" "$app" "$work"; then status=0; else status=1; fi
if grep -qiE 'assert|leaked|sanitizer|segmentation' "$work/app.log"; then
    echo "the app's output:"; cat "$work/app.log"; status=1
fi
finish standalone-smoke $status
