#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan+UBSan) and runs each for FUZZ_SECONDS
# (default 60) on a scratch copy of its seed corpus. Exits non-zero if any target
# finds a crash, leak, timeout or out-of-memory; prints the executions per target
# and, if FUZZ_STATS names a file, appends one JSON line per target to it.
set -euo pipefail
stats=${FUZZ_STATS:-}
[[ -n $stats && $stats != /* ]] && stats=$PWD/$stats
cd "$(dirname "$0")/.."
root=$PWD

build=${BUILD_DIR:-build-fuzz}
seconds=${FUZZ_SECONDS:-60}
if ! [[ $seconds =~ ^[0-9]+$ ]] || ((seconds == 0)); then
    echo "FUZZ_SECONDS must be a positive number of seconds (libFuzzer takes 0 as no limit)" >&2
    exit 2
fi
jobs=${FUZZ_JOBS:-$(nproc)}
targets=(fuzz_archive fuzz_record fuzz_bundle fuzz_pack)

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DUSERCOLLECTION_SANITIZE=address,undefined -DBUILD_TESTING=OFF \
    -DUSERCOLLECTION_BUILD_BENCHMARKS=OFF -DUSERCOLLECTION_BUILD_FUZZERS=ON -DUSERCOLLECTION_WERROR=ON
cmake --build "$build" -j "$jobs" --target "${targets[@]}"

# Leaks and undefined behaviour end the run like a crash does.
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=halt_on_error=1:abort_on_error=1:print_stacktrace=1

scratch=$(mktemp -d "${TMPDIR:-/tmp}/fuzz.XXXXXX")
failed=0
summary=()

for target in "${targets[@]}"; do
    corpus=${target#fuzz_}
    work=$scratch/$target
    mkdir -p "$work/corpus" "$work/artifacts"
    cp fuzz/corpus/"$corpus"/* "$work/corpus/"
    # Inputs that once found a bug are seeds too: they sit near the damage.
    found=tests/serialize/data
    [[ $corpus == archive ]] || found=$found/$corpus
    if [[ -d $found ]]; then
        find "$found" -maxdepth 1 -type f -name '*.xml' -exec cp {} "$work/corpus/" \;
    fi
    dict=fuzz/$corpus.dict
    [[ -f $dict ]] || dict=fuzz/archive.dict
    log=$work/log.txt

    echo "== $target: ${seconds}s"
    status=ok
    rc=0
    # The outer limit only guards against libFuzzer itself getting stuck.
    (cd "$work" && timeout --kill-after=30 $((seconds + 300)) "$root/$build/bin/$target" \
        -dict="$root/$dict" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -malloc_limit_mb=256 -print_final_stats=1 \
        -artifact_prefix="$work/artifacts/" corpus) >"$log" 2>&1 || rc=$?
    if ((rc != 0)); then
        if grep -q "libFuzzer: timeout" "$log" || ((rc == 124 || rc == 137)); then
            status=timeout
        elif grep -q "out-of-memory" "$log"; then
            status=oom
        elif grep -q "LeakSanitizer" "$log"; then
            status=leak
        else
            status=crash
        fi
        failed=1
        grep -E "ERROR|runtime error|SUMMARY|Test unit written|#[0-9]+ 0x" "$log" | head -40 || true
        echo "   input and log kept in $work"
    fi
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    peak=$(sed -n 's/^stat::peak_rss_mb: *//p' "$log" | tail -1)
    echo "   $target: ${executions:-unknown} executions, $status"
    summary+=("$target: ${executions:-unknown} executions, $status")
    if [[ -n $stats ]]; then
        printf '{"target":"%s","seconds":%d,"executions":%s,"peak_rss_mb":%s,"status":"%s"}\n' \
            "$target" "$seconds" "${executions:-null}" "${peak:-null}" "$status" >>"$stats"
    fi
    if [[ $status == ok ]]; then
        rm -rf "$work"
    fi
done

echo "== fuzz summary"
printf '   %s\n' "${summary[@]}"
if ((failed)); then
    echo "fuzzing found problems; inputs are in $scratch" >&2
    exit 1
fi
rm -rf "$scratch"
