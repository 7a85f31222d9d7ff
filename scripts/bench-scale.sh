#!/usr/bin/env bash
# Builds the program and the scale tool (Release), fills data folders of 1,000, 10,000
# and 100,000 presets and titles through the library's exported calls (once; kept in
# the build folder), times whole commands on them against reading their files, and
# writes the table into docs/performance.md (between its scale markers).
#
# Environment: BENCH_BUILD_DIR (build-bench), SCALE_SIZES (1000,10000,100000),
# SCALE_RUNS (3), SCALE_DATA (<build>/scale-data), BENCH_OUTPUT (docs/performance.md).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

build=${BENCH_BUILD_DIR:-build-bench}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
      -DUSERCOLLECTION_BUILD_BENCHMARKS=ON -DUSERCOLLECTION_SANITIZE= >/dev/null
cmake --build "$build" -j "$(nproc)" --target usercollection-cli usercollection_scale
python3 bench/scale.py "$build" "${BENCH_OUTPUT:-docs/performance.md}" \
    --sizes "${SCALE_SIZES:-1000,10000,100000}" --runs "${SCALE_RUNS:-3}" \
    ${SCALE_DATA:+--data "$SCALE_DATA"}
