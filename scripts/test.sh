#!/usr/bin/env bash
# Builds everything with AddressSanitizer, LeakSanitizer and UBSan, warnings as
# errors, and runs the whole test suite (the sanitizer options are set per test).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

build=${BUILD_DIR:-build-test}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DUSERCOLLECTION_WERROR=ON \
      -DUSERCOLLECTION_SANITIZE=address,undefined
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
