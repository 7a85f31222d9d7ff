#!/usr/bin/env bash
# Checks the formatting of the C++ sources, then builds and runs the whole test
# suite twice, warnings as errors: a plain optimised build, then AddressSanitizer,
# LeakSanitizer and UBSan (the sanitizer options are set per test). The plain build
# also makes the reference documentation and is packaged and checked
# (scripts/packages.sh). The tests of code used from several threads run once more under
# ThreadSanitizer, which is what catches a race. Then runs each fuzzer for a bounded
# time (FUZZ_SECONDS, default 60).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

scripts/check-format.sh

jobs=$(nproc)

# suite <build dir> <cmake options...>
suite() {
    local build=$1
    shift
    cmake -S . -B "$build" -DUSERCOLLECTION_WERROR=ON "$@"
    cmake --build "$build" -j "$jobs"
    ctest --test-dir "$build" --output-on-failure -j "$jobs"
}

plain=${PLAIN_BUILD_DIR:-build-test}
# Configured for /usr, so that the tested build is what the packages hold.
suite "$plain" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DUSERCOLLECTION_SANITIZE= -DCMAKE_INSTALL_PREFIX=/usr
cmake --build "$plain" --target docs
PACKAGE_BUILD_DIR=$plain scripts/packages.sh
suite "${SANITIZE_BUILD_DIR:-build-asan}" -DCMAKE_BUILD_TYPE=Debug \
      -DUSERCOLLECTION_SANITIZE=address,undefined -DUSERCOLLECTION_BUILD_BENCHMARKS=OFF
thread=${THREAD_BUILD_DIR:-build-tsan}
cmake -S . -B "$thread" -DUSERCOLLECTION_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DUSERCOLLECTION_SANITIZE=thread -DUSERCOLLECTION_BUILD_BENCHMARKS=OFF
cmake --build "$thread" -j "$jobs" --target bus_thread_tests unique_id_tests persistence_thread_tests
ctest --test-dir "$thread" --output-on-failure -L threads
BUILD_DIR="${FUZZ_BUILD_DIR:-build-fuzz}" scripts/fuzz.sh
