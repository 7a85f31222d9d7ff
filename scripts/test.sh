#!/usr/bin/env bash
# Builds and runs the whole test suite twice, warnings as errors: a plain optimised
# build, then AddressSanitizer, LeakSanitizer and UBSan (the sanitizer options are
# set per test). Then runs each fuzzer for a bounded time (FUZZ_SECONDS, default 60).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jobs=$(nproc)

# suite <build dir> <cmake options...>
suite() {
    local build=$1
    shift
    cmake -S . -B "$build" -DUSERCOLLECTION_WERROR=ON "$@"
    cmake --build "$build" -j "$jobs"
    ctest --test-dir "$build" --output-on-failure -j "$jobs"
}

suite "${PLAIN_BUILD_DIR:-build-test}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DUSERCOLLECTION_SANITIZE=
suite "${SANITIZE_BUILD_DIR:-build-asan}" -DCMAKE_BUILD_TYPE=Debug \
      -DUSERCOLLECTION_SANITIZE=address,undefined -DUSERCOLLECTION_BUILD_BENCHMARKS=OFF
BUILD_DIR="${FUZZ_BUILD_DIR:-build-fuzz}" scripts/fuzz.sh
