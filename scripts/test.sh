#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the format check, the unit and pipeline tests,
# the same tests under AddressSanitizer and UndefinedBehaviorSanitizer, and the fuzz targets.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)

bash scripts/setup.sh
bash scripts/format-check.sh

export QT_QPA_PLATFORM=offscreen

# Release-like build with warnings as errors: tests and benchmarks.
cmake -S . -B build/ci -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUELM_WERROR=ON
cmake --build build/ci -j "$jobs"

# Fuzz targets (clang's libFuzzer), each for a short, bounded time.
if [ -f fuzz/CMakeLists.txt ]; then
  CC=clang CXX=clang++ cmake -S fuzz -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build build/fuzz -j "$jobs"
  fuzz_seconds=${QUELM_FUZZ_SECONDS:-30}
  for target in build/fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    name=$(basename "$target")
    corpus="$root/build/fuzz/corpus/$name"
    mkdir -p "$corpus"
    cp -n "$root/fuzz/corpus/${name#fuzz_}"/* "$corpus"/ 2>/dev/null || true
    echo "fuzz: $name for ${fuzz_seconds}s"
    "$target" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$root/build/fuzz/$name-" "$corpus" 2>"build/fuzz/$name.log" \
      || { tail -50 "build/fuzz/$name.log"; echo "fuzz: $name failed"; exit 1; }
    grep -E 'stat::number_of_executed_units' "build/fuzz/$name.log" || true
  done
fi

ctest --test-dir build/ci --output-on-failure -j "$jobs"

# The same tests under AddressSanitizer and UndefinedBehaviorSanitizer.
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUELM_SANITIZE=ON -DQUELM_WERROR=ON \
  -DQUELM_BENCH=OFF
cmake --build build/asan -j "$jobs"
ctest --test-dir build/asan --output-on-failure -j "$jobs"
