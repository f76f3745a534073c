#!/usr/bin/env bash
# The built LV2 in a real host: jalv runs it under a JACK server with the dummy driver; jack-play
# feeds it a test signal; one jack-record client records both what went in and what came out, in
# the same process cycles. The two must be equal sample for sample, at each rate given.
# Usage: scripts/validation/jalv-passthrough.sh [RATE...]      (default: 44100 96000)
# Uses the Release build in ${TARN_BUILD_DIR:-build} (built if needed).
set -uo pipefail
cd "$(dirname "$0")/../.."
source scripts/validation/lib.sh

rates=("$@")
[ ${#rates[@]} -gt 0 ] || rates=(44100 96000)
build_dir=${TARN_BUILD_DIR:-build}
uri="https://fennick.example/plugins/tarn"

ensure_packages jackd2 jalv jack-tools sox python3 || finish jalv-passthrough 1 "packages"
[ -f "$build_dir/build.ninja" ] || cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build_dir" --parallel "${TARN_JOBS:-2}" --target Tarn_LV2 >/dev/null || finish jalv-passthrough 1 "build"
lv2_dir=$(cd "$build_dir/source/Tarn_artefacts/Release/LV2" && pwd)

work=$(mktemp -d)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# A server of our own, so nothing else on the machine is disturbed (and nothing else disturbs it).
export JACK_NO_AUDIO_RESERVATION=1

# A server that was killed leaves its entry in JACK's shared-memory registry, and a full registry
# refuses new servers ("Too many servers already active"). With no JACK server running, whatever
# is left there is stale.
if ! pgrep -x jackd >/dev/null && ! pgrep -x jackdmp >/dev/null; then
    rm -rf /dev/shm/jack-shm-registry /dev/shm/jack_db-* /dev/shm/jack-[0-9]* /dev/shm/jack_sem.*
fi

run_at() {
    local rate=$1 pid
    pids=()
    export JACK_DEFAULT_SERVER="tarn-validation-$$-$rate"
    rm -f "$work"/*.wav

    # Left: white noise; right: a 997 Hz tone; silence either side, so the connections are all
    # made and broken while nothing is playing.
    sox -r "$rate" -c 2 -n -e floating-point -b 32 "$work/signal.wav" synth 6 whitenoise sine 997 vol 0.8 pad 1.5 1.5 \
        || return 1

    jackd --no-realtime -d dummy -r "$rate" -p 1024 >"$work/jackd.log" 2>&1 &
    pids+=($!)
    jack_wait -w -t 10 >/dev/null 2>&1 || { echo "jackd did not start"; cat "$work/jackd.log"; return 1; }

    # jalv quits when its standard input closes: keep it open through a pipe we hold.
    rm -f "$work/jalv.in" && mkfifo "$work/jalv.in"
    exec 3<>"$work/jalv.in"
    LV2_PATH="$lv2_dir" jalv -n tarn -x "$uri" <&3 >"$work/jalv.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 50); do jack_lsp 2>/dev/null | grep -q '^tarn:audio_out_2$' && break; sleep 0.1; done
    jack_lsp 2>/dev/null | grep -q '^tarn:audio_out_2$' || { echo "jalv did not start"; cat "$work/jalv.log"; return 1; }

    jack-record -n 4 -t 12 "$work/recording.wav" >"$work/record.log" 2>&1 &
    local recorder=$!
    pids+=($recorder)
    local rec_client=""
    for _ in $(seq 50); do
        rec_client=$(jack_lsp 2>/dev/null | sed -n 's/^\(jack-record[^:]*\):in_4$/\1/p')
        [ -n "$rec_client" ] && break
        sleep 0.1
    done
    [ -n "$rec_client" ] || { echo "jack-record did not start"; return 1; }
    jack_connect tarn:audio_out_1 "$rec_client:in_3" && jack_connect tarn:audio_out_2 "$rec_client:in_4" || return 1

    # The player (zero-order hold at ratio 1: the file's samples as they are) starts in the
    # signal's leading silence; it feeds the plug-in and the recorder.
    jack-play -c 3 "$work/signal.wav" >"$work/play.log" 2>&1 &
    local player=$!
    pids+=($player)
    local play_client=""
    for _ in $(seq 50); do
        play_client=$(jack_lsp 2>/dev/null | sed -n 's/^\(jack-play[^:]*\):out_2$/\1/p')
        [ -n "$play_client" ] && break
        sleep 0.05
    done
    [ -n "$play_client" ] || { echo "jack-play did not start"; return 1; }
    jack_connect "$play_client:out_1" tarn:audio_in_1 && jack_connect "$play_client:out_2" tarn:audio_in_2 \
        && jack_connect "$play_client:out_1" "$rec_client:in_1" && jack_connect "$play_client:out_2" "$rec_client:in_2" || return 1

    wait "$recorder"
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    exec 3>&-
    pids=()
    grep -i 'xrun' "$work/jackd.log" | head -3
    python3 scripts/validation/wav_passthrough_check.py "$work/recording.wav" "$work/signal.wav" && return 0
    for f in jackd jalv record play; do echo "--- $f.log"; tail -5 "$work/$f.log"; done
    return 1
}

status=0
summary=()
for rate in "${rates[@]}"; do
    echo "--- jalv at $rate Hz"
    if run_at "$rate"; then summary+=("$rate Hz ok"); else summary+=("$rate Hz FAILED"); status=1; fi
done
finish jalv-passthrough "$status" "$(IFS=,; echo "${summary[*]}")"
