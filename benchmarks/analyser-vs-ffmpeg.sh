#!/usr/bin/env bash
# Times `tarn analyse` against ffmpeg's EBU R 128 meter (with true peak) on the same 5-minute
# 48 kHz stereo programme, both pinned to one core. ffmpeg and hyperfine are for this comparison
# only; the script installs them if missing. Then eight files with -j 1 and -j 2. Prints the
# ratios. Build first (scripts/demo.sh).
# Usage: benchmarks/analyser-vs-ffmpeg.sh [RESULT.md]
set -euo pipefail
cd "$(dirname "$0")/.."
result=${1:-build/analyser-vs-ffmpeg.md}

for tool in ffmpeg hyperfine; do
    command -v "$tool" >/dev/null || { apt-get update -qq; DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends ffmpeg hyperfine; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Five minutes of a moving, noisy, two-voice programme, different in each channel.
ffmpeg -nostdin -loglevel error -f lavfi -i \
  "aevalsrc=0.3*sin(2*PI*55*t)*(0.6+0.4*sin(2*PI*0.5*t))+0.2*sin(2*PI*440*t+2*sin(2*PI*3*t))+0.04*(random(0)-0.5)|0.3*sin(2*PI*55*t)*(0.6+0.4*sin(2*PI*0.5*t))+0.2*sin(2*PI*660*t+2*sin(2*PI*2*t))+0.04*(random(1)-0.5):s=48000:d=300" \
  -c:a pcm_f32le "$work/programme.wav"
ffmpeg -nostdin -loglevel error -i "$work/programme.wav" -c:a flac -sample_fmt s32 "$work/programme.flac"

tarn=build/tools/tarn/tarn
hyperfine --warmup 1 --runs 5 --export-markdown "$result" --export-json "$work/single.json" \
  -n "tarn analyse (WAV)" "taskset -c 1 $tarn analyse $work/programme.wav" \
  -n "tarn analyse --no-reference (WAV)" "taskset -c 1 $tarn analyse --no-reference $work/programme.wav" \
  -n "tarn analyse (FLAC)" "taskset -c 1 $tarn analyse $work/programme.flac" \
  -n "ffmpeg ebur128 peak=true (WAV)" "taskset -c 1 ffmpeg -nostdin -threads 1 -filter_threads 1 -nostats -i $work/programme.wav -af ebur128=peak=true:framelog=verbose -f null -"

# Eight files, one job against two (every core of this machine).
for i in 1 2 3 4 5 6 7 8; do ln -s programme.wav "$work/track$i.wav"; done
hyperfine --warmup 1 --runs 3 --export-markdown "$result.jobs" --export-json "$work/jobs.json" \
  -n "tarn analyse -j 1 (8 files)" "$tarn analyse -j 1 $work/track?.wav" \
  -n "tarn analyse -j 2 (8 files)" "$tarn analyse -j 2 $work/track?.wav"
cat "$result.jobs" >>"$result"
rm "$result.jobs"

python3 - "$work/single.json" "$work/jobs.json" <<'PY' | tee -a "$result"
import json, sys
single = {r["command"]: r["mean"] for r in json.load(open(sys.argv[1]))["results"]}
jobs = {r["command"]: r["mean"] for r in json.load(open(sys.argv[2]))["results"]}
ffmpeg = single["ffmpeg ebur128 peak=true (WAV)"]
print()
print(f"tarn analyse (everything on) is {ffmpeg / single['tarn analyse (WAV)']:.2f}x faster than ffmpeg's meter; "
      f"--no-reference {ffmpeg / single['tarn analyse --no-reference (WAV)']:.2f}x")
print(f"-j 2 is {jobs['tarn analyse -j 1 (8 files)'] / jobs['tarn analyse -j 2 (8 files)']:.2f}x faster than -j 1 on 8 files")
PY
echo "written: $result"
