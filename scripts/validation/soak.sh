#!/usr/bin/env bash
# Soak: `tarn analyse` over hours of generated programme at 48 kHz (default 3 h). The Track Pass
# must hold every block (blocks x block length = samples), every reading must be finite (the final
# ones, and every row of the CSV recording made over the whole programme, which must be written
# within ${TARN_SOAK_CSV_LIMIT:-300} s), and memory must stay flat: the peak resident set of the long
# run may exceed that of a 10-minute run of the same programme by at most
# ${TARN_SOAK_RSS_SLACK_MB:-1} MB, for Tarn's own analysis (--no-reference) and with the standard
# loudness measurement alike.
# Usage: scripts/validation/soak.sh [HOURS]       (Release build in ${TARN_BUILD_DIR:-build})
# The programme (2 GB for 3 h) is written to ${TARN_SOAK_DIR:-build-soak} and removed afterwards.
set -uo pipefail
cd "$(dirname "$0")/../.."
source scripts/validation/lib.sh

hours=${1:-3}
build_dir=${TARN_BUILD_DIR:-build}
soak_dir=${TARN_SOAK_DIR:-build-soak}
slack_mb=${TARN_SOAK_RSS_SLACK_MB:-1}
csv_limit=${TARN_SOAK_CSV_LIMIT:-300}
rate=48000
block=512

ensure_packages sox time python3 || finish soak 1 "packages"
[ -f "$build_dir/build.ninja" ] || cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build_dir" --parallel "${TARN_JOBS:-2}" --target tarn >/dev/null || finish soak 1 "build"
tarn="$build_dir/tools/tarn/tarn"

mkdir -p "$soak_dir"
trap 'rm -f "$soak_dir"/programme-*.wav "$soak_dir"/*.csv' EXIT

# Audible all the way through (a pass ends after 3 s of quiet): pink noise left, brown noise right,
# a slow tremolo that moves the loudness by several dB, 16-bit.
generate() {
    local seconds=$1 out=$2
    sox -r $rate -c 2 -n -b 16 "$out" synth "$seconds" pinknoise brownnoise tremolo 0.02 60 gain -8 2>/dev/null
}

# Peak resident set in kB, and wall time, of one analysis.
measure() {
    local out=$1
    shift
    /usr/bin/time -v "$tarn" analyse "$@" >"$out.stdout" 2>"$out.time" || { tail -5 "$out.time"; return 1; }
    rss=$(sed -n 's/^\s*Maximum resident set size (kbytes): //p' "$out.time")
    wall=$(sed -n 's/^\s*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$out.time")
}

status=0
long_seconds=$((hours * 3600))
long_samples=$((long_seconds * rate))
echo "--- generating $hours h and 10 min of programme"
start=$(date +%s)
generate "$long_seconds" "$soak_dir/programme-long.wav" && generate 600 "$soak_dir/programme-short.wav" \
    || finish soak 1 "sox could not generate the programme"
echo "generated in $(( $(date +%s) - start )) s"

# Each length analysed twice: Tarn's own analysis alone, then with the standard loudness beside it.
declare -A rss_of
for length in short long; do
    samples=$((600 * rate)); [ $length = long ] && samples=$long_samples
    for kind in own ref; do
        args=(--block $block --json "$soak_dir/$length-$kind.json")
        [ $kind = own ] && args+=(--no-reference)
        echo "--- $length programme, $kind"
        measure "$soak_dir/$length-$kind" "${args[@]}" "$soak_dir/programme-$length.wav" || finish soak 1 "$length run failed"
        rss_of[$length-$kind]=$rss
        echo "peak RSS $rss kB, $wall"
        python3 scripts/validation/soak_check.py json "$soak_dir/$length-$kind.json" $samples $rate || status=1
    done
done

own_growth=$((rss_of[long-own] - rss_of[short-own]))
ref_growth=$((rss_of[long-ref] - rss_of[short-ref]))
echo "peak RSS growth from 10 min to $hours h: $own_growth kB for Tarn's analysis (allowed $((slack_mb * 1024))), $ref_growth kB with the standard loudness (allowed the same)"
[ $own_growth -le $((slack_mb * 1024)) ] && [ $ref_growth -le $((slack_mb * 1024)) ] || status=1

for length in short long; do
    echo "--- $length programme with the CSV recording (every 50 ms row checked, limit $csv_limit s)"
    start=$SECONDS
    if timeout "$csv_limit" "$tarn" analyse --no-reference --block $block --csv "$soak_dir/$length.csv" "$soak_dir/programme-$length.wav" >/dev/null; then
        echo "written in $((SECONDS - start)) s"
        python3 scripts/validation/soak_check.py csv "$soak_dir/$length.csv" || status=1
    else
        echo "not written within $csv_limit s"
        status=1
    fi
    rm -f "$soak_dir/$length.csv"
done

finish soak $status "$hours h at $rate Hz: peak RSS ${rss_of[long-own]} kB vs ${rss_of[short-own]} kB for 10 min (${rss_of[long-ref]} vs ${rss_of[short-ref]} kB with the standard loudness)"
