#!/usr/bin/env bash
# Installs the Debian packages the build, the tests, the fuzzers, the benchmarks,
# the documentation, the packages and the format check need, only when some are
# missing (git too: the format check lists the tracked sources with it; GNU time: the tests
# measure the peak memory of the program with it; strace: they deliver signals at chosen
# points of a save). Needs root (or
# sudo) for apt-get.
set -euo pipefail

packages=(cmake make g++ pkg-config qtbase5-dev qtbase5-private-dev libgtest-dev libgmock-dev libbenchmark-dev
          libboost-dev librapidcheck-dev libkf5archive-dev libpugixml-dev libexpat1-dev fonts-dejavu-core python3 clang
          libclang-rt-dev util-linux mount strace doxygen help2man bash-completion dpkg-dev file lintian man-db clang-format git time)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
