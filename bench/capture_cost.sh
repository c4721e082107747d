#!/usr/bin/env bash
# CPU cost of one capture component previewing a 640 x 480, 30 frames/s virtual camera for 20 s with a
# frame request every 80 ms, beside a bare pipeline from the same source through the same converter into
# a fake sink; then 60 s recordings with and without a compressor (dropped frames, file sizes).
# Usage: bench/capture_cost.sh [build-dir] [preview-seconds] [record-seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
secs=${2:-20}
rec=${3:-60}
bench="$build/bench/bench_capture_preview_bench"
[ -x "$bench" ] || cmake --build "$build" --target bench_capture_preview_bench
export QT_QPA_PLATFORM=offscreen

frames=$((secs * 30))
runs=${RUNS:-2}
# The machine is shared: each side runs $runs times, alternating, and its lowest CPU time counts.
bare=""
comp=""
for run in $(seq "$runs"); do
  b=$( { /usr/bin/time -f "%U %S" gst-launch-1.0 -q videotestsrc is-live=true num-buffers=$frames ! \
    video/x-raw,format=YUY2,width=640,height=480,framerate=30/1 ! videoconvert ! video/x-raw,format=BGRx ! \
    fakesink sync=true >/dev/null; } 2>&1 | tail -1 | awk '{print $1 + $2}')
  echo "bare pipeline:     ${secs} s, cpu ${b} s"
  line=$("$bench" preview "$secs" 80 2>/dev/null | grep "component preview")
  echo "$line"
  c=$(echo "$line" | sed -E 's/.*cpu ([0-9.]+) s.*/\1/')
  bare=$(awk -v x="$b" -v m="$bare" 'BEGIN { print (m == "" || x < m) ? x : m }')
  comp=$(awk -v x="$c" -v m="$comp" 'BEGIN { print (m == "" || x < m) ? x : m }')
done
awk -v c="$comp" -v b="$bare" 'BEGIN { printf "lowest: bare %.2f s, component %.2f s, ratio %.2f (goal <= 1.5)\n", b, c, (b > 0 ? c / b : 0) }'

"$bench" record "$rec" 2>/dev/null | grep "^record"
"$bench" record "$rec" "JPEG image encoder" 2>/dev/null | grep "^record"
