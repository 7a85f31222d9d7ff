#!/usr/bin/env bash
# Builds the benchmarks (Release, no sanitizers) and runs them with repetitions in
# random interleaving, then writes the medians and the target ratios into
# docs/performance.md (between its result markers; the rest of the file is kept).
#
#   scripts/bench.sh                    build, run, write docs/performance.md
#   scripts/bench.sh --no-build         run the binary already built
#   scripts/bench.sh --callgrind REGEX  profile the benchmarks matching REGEX instead
#
# Environment: BENCH_BUILD_DIR (build-bench), BENCH_REPETITIONS (7),
# BENCH_MIN_TIME (0.2 seconds per repetition), BENCH_OUTPUT (docs/performance.md).
set -euo pipefail
cd "$(dirname "$0")/.."

build=${BENCH_BUILD_DIR:-build-bench}
repetitions=${BENCH_REPETITIONS:-7}
min_time=${BENCH_MIN_TIME:-0.2}
output=${BENCH_OUTPUT:-docs/performance.md}
binary=$build/bin/usercollection_bench

do_build=1
profile=
while [ $# -gt 0 ]; do
    case $1 in
        --no-build) do_build=0 ;;
        --callgrind) profile=${2:?--callgrind needs a benchmark regex}; shift ;;
        *) echo "unknown option: $1" >&2; exit 2 ;;
    esac
    shift
done

if [ $do_build -eq 1 ]; then
    scripts/install-deps.sh
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
          -DUSERCOLLECTION_BUILD_BENCHMARKS=ON -DUSERCOLLECTION_SANITIZE= >/dev/null
    cmake --build "$build" -j "$(nproc)" --target usercollection_bench
fi

# Previews are QPixmaps: no display needed.
export QT_QPA_PLATFORM=offscreen

if [ -n "$profile" ]; then
    # Instruction counts do not depend on the load of the machine; the
    # per-iteration figure divides by the calls of the handler every bus
    # benchmark ends in (see bench/callgrind_per_call.py for other counters).
    command -v valgrind >/dev/null || { echo "valgrind is not installed" >&2; exit 1; }
    out=$build/callgrind.$(echo "$profile" | tr -c 'A-Za-z0-9_' '_').out
    valgrind --tool=callgrind --callgrind-out-file="$out" "$binary" \
        --benchmark_filter="$profile" --benchmark_min_time=0.05 >/dev/null 2>&1
    callgrind_annotate --inclusive=yes "$out" | sed -n '1,60p' | cut -c1-200
    echo "profile: $out"
    exit 0
fi

results=$build/bench-results.json
command=("$binary" --benchmark_repetitions="$repetitions" --benchmark_min_time="$min_time"
         --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true
         --benchmark_out="$results" --benchmark_out_format=json)
"${command[@]}"

cpu=$(lscpu | sed -n 's/^Model name: *//p' | head -n 1)
cores=$(nproc)
python3 bench/report.py "$results" "$output" --cpu "$cpu" --cores "$cores" \
    --command "scripts/bench.sh (${command[*]})"
echo "wrote $output"
