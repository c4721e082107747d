#!/usr/bin/env bash
# Installs what is missing, builds the station and starts it.
#
# With a camera attached (/dev/video*) the program uses its own program folder (the folder of the
# executable, build/run, or $QUELM_HOME when set). Without one it starts a demonstration: the program
# folder build/demo, two virtual cameras with moving test pictures and saved configurations naming them,
# watched in automatic start mode, so the pictures and the LED bars move at once. Arguments are passed to
# the program.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup.sh

cmake -S . -B build/run -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUELM_TESTS=OFF -DQUELM_BENCH=OFF >/dev/null
cmake --build build/run -j "$(nproc)" --target quelm

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "run: no graphical session (DISPLAY and WAYLAND_DISPLAY are empty); start this from a desktop," >&2
  echo "run: or set QT_QPA_PLATFORM=offscreen to run without a screen" >&2
  exit 1
fi

if compgen -G "/dev/video*" >/dev/null; then
  echo "run: camera found; starting Quelm in its program folder"
  exec "$root/build/run/quelm" "$@"
fi

demo="$root/build/demo"
mkdir -p "$demo"
ini="$demo/quelm_parrin.ini"
# The demonstration's settings are written once; later changes made in the program are kept.
# Camera 1 watches a control zone, the left quarter of its picture, that the ball crosses every ten
# seconds or so: each crossing raises an alert of a few seconds, whose snapshot and clip (JPEG frames)
# go into the records folder. Camera 2's slow disc stays under its threshold.
if [ ! -f "$ini" ]; then
  video_only="WantAudio=0,WantAudioPreview=0,WantDVAudio=0,\"VComp=JPEG image encoder\""
  left=$(printf '1,%.0s' $(seq 36); printf '0,%.0s' $(seq 108))
  printf '%s\r\n' \
    "[quelm]" "manual=0" "rtvideo=1" "savefolder=$demo/records/" "minvidlength=3" \
    "[MoveDAlg1]" "threshold1=20" "qZones=12" "FullFrame=0" "ControlZone=$left" \
    "[cam1]" "config=$video_only,VCapSource=cam1" \
    "[cam2]" "config=$video_only,VCapSource=cam2" >"$ini"
elif ! grep -q '^savefolder=' "$ini"; then
  # A demonstration folder from before records were kept: its records go to the folder too.
  sed -i "s|^\[quelm\]\r\?\$|[quelm]\r\nsavefolder=$demo/records/\r|" "$ini"
fi
mkdir -p "$demo/records"

export QUELM_HOME="$demo"
export QUELM_VIRTUAL_CAMERAS="cam1=videotestsrc is-live=true pattern=ball;cam2=videotestsrc is-live=true pattern=ball motion=sweep foreground-color=0xffffcc00 background-color=0xff102040"
echo "run: no camera found; starting the demonstration in $demo with two virtual cameras"
exec "$root/build/run/quelm" "$@"
