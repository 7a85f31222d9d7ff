#!/usr/bin/env bash
# Builds everything with AddressSanitizer, LeakSanitizer and UBSan, warnings as
# errors, and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

build=${BUILD_DIR:-build-test}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DUSERCOLLECTION_WERROR=ON \
      -DUSERCOLLECTION_SANITIZE=address,undefined
cmake --build "$build" -j "$(nproc)"

export QT_QPA_PLATFORM=offscreen
# Full unwinding, so that suppressions can match frames below Qt's own.
export ASAN_OPTIONS=detect_leaks=1:fast_unwind_on_malloc=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
