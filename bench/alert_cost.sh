#!/usr/bin/env bash
# Alert costs, printed as figures:
#  - snapshot: encoding a 640 x 480 picture as a quality-80 JPEG and writing it (goal < 5 ms);
#  - alert latency from the first changed frame entering the pipeline to the alert's start, over
#    N alerts (default 50) of camera 1 with an alert length of 1 s, and the resident memory after the
#    last of them against the first (goal: median <= 250 ms, worst <= 400 ms, growth <= 5 MB);
#  - the whole station watching two 640 x 480, 30 frames/s virtual cameras with real-time video on for
#    S seconds (default 60), its CPU time beside two bare pipelines from the same source through the
#    same converter into a fake sink, run here for as long (goal <= 1.5 x).
# The machine may be shared: the load average is printed before and after.
# Usage: bench/alert_cost.sh [build-dir] [alerts] [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
alerts=${2:-50}
secs=${3:-60}
cmake --build "$build" --target quelm bench_alert_cost_bench bench_snapshot_bench >/dev/null
export QT_QPA_PLATFORM=offscreen
export QUELM_AUDIO_SINK="fakesink sync=true"
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"

records=$(mktemp -d "$build/alert-cost.XXXXXX")
trap 'rm -rf "$records"' EXIT
echo "--- snapshot, 640 x 480, records folder $records"
QUELM_BENCH_RECORDS="$records" "$build/bench/bench_snapshot_bench" --benchmark_min_time=1 2>/dev/null |
  grep -E "^BM_" | awk '{ printf "%-20s %s %s (wall) %s %s (cpu)\n", $1, $2, $3, $4, $5 }'

echo "--- alert latency and memory, $alerts alerts"
"$build/bench/bench_alert_cost_bench" "$alerts" 2>/dev/null | grep -v "^QStandardPaths"

echo "--- whole station, two cameras, ${secs} s"
source="videotestsrc is-live=true ! capsfilter caps=video/x-raw,format=YUY2,width=640,height=480,framerate=30/1"
home="$records/station"
mkdir -p "$home/records"
video_only="WantAudio=0,WantAudioPreview=0,WantDVAudio=0"
# Watching only: thresholds no level reaches, so no alert records a clip meanwhile.
printf '%s\r\n' "[quelm]" "manual=0" "rtvideo=1" "savefolder=$home/records/" \
  "[MoveDAlg1]" "threshold1=100" "[MoveDAlg2]" "threshold1=100" \
  "[cam1]" "config=$video_only,VCapSource=cam1" "[cam2]" "config=$video_only,VCapSource=cam2" \
  >"$home/quelm_parrin.ini"
QUELM_HOME="$home" QUELM_VIRTUAL_CAMERAS="cam1=$source;cam2=$source" "$build/quelm" >/dev/null 2>&1 &
pid=$!
ticks=$(getconf CLK_TCK)
cpu_of() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
sleep 8 # both watches come on about 2.3 s after the window opens
c0=$(cpu_of $pid)
sleep "$secs"
c1=$(cpu_of $pid)
kill -TERM $pid
wait $pid || true
station=$(awk -v a="$c0" -v b="$c1" -v t="$ticks" 'BEGIN { printf "%.2f", (b - a) / t }')
alerts_seen=$(grep -c "Start record" "$home/log.log" || true)
echo "station:              cpu ${station} s in ${secs} s (alerts during the run: $alerts_seen)"

frames=$((secs * 30))
bare_one() {
  { /usr/bin/time -f "%U %S" gst-launch-1.0 -q videotestsrc is-live=true num-buffers=$frames ! \
    video/x-raw,format=YUY2,width=640,height=480,framerate=30/1 ! videoconvert ! video/x-raw,format=BGRx ! \
    fakesink sync=true >/dev/null; } 2>&1 | tail -1 | awk '{ print $1 + $2 }'
}
bare_one >"$records/bare1" &
bare_one >"$records/bare2" &
wait
bare=$(awk '{ s += $1 } END { printf "%.2f", s }' "$records/bare1" "$records/bare2")
echo "two bare pipelines:   cpu ${bare} s in ${secs} s"
awk -v c="$station" -v b="$bare" 'BEGIN { printf "ratio station / bare: %.2f (goal <= 1.5)\n", (b > 0 ? c / b : 0) }'
echo "load average after:  $(cut -d' ' -f1-3 /proc/loadavg)"
