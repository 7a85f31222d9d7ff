#!/usr/bin/env bash
# Builds the Debian packages (libusercollection<soversion>, libusercollection-dev,
# usercollection) and checks them: lintian finds no error; unpacked into a scratch
# root, they let the consumer project build with CMake and with pkg-config and run;
# the program runs from there and its man page renders.
#
#   scripts/packages.sh                      a Release build in build-pkg, then the checks
#   PACKAGE_BUILD_DIR=build-test scripts/packages.sh
#                                            packages an existing build folder instead
#
# The build folder is configured for /usr (its install rules are the packages'
# contents); a new one is a Release build without tests or benchmarks. The packages
# are left in <build>/packages.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${PACKAGE_BUILD_DIR:-build-pkg}
jobs=${PACKAGE_JOBS:-$(nproc)}

options=(-DCMAKE_INSTALL_PREFIX=/usr)
if [[ ! -f $build/CMakeCache.txt ]]; then
    options+=(-DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DUSERCOLLECTION_BUILD_BENCHMARKS=OFF)
fi
cmake -S . -B "$build" "${options[@]}" >/dev/null
if grep -q '^USERCOLLECTION_SANITIZE:STRING=.\+' "$build/CMakeCache.txt"; then
    echo "$build is a sanitizer build; packages need a plain one" >&2
    exit 2
fi
cmake --build "$build" -j "$jobs"

echo "== packages"
rm -rf "$build/packages"
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/packages/*.deb)
printf '   %s\n' "${debs[@]##*/}"

echo "== lintian"
lintian --fail-on error "${debs[@]}" 2> >(grep -v 'running with root privileges' >&2)

scratch=$(mktemp -d "${TMPDIR:-/tmp}/packages.XXXXXX")
root=$scratch/root
for deb in "${debs[@]}"; do
    dpkg-deb -x "$deb" "$root"
done
libdir=$(realpath "$(dirname "$(echo "$root"/usr/lib/*/pkgconfig/usercollection.pc)")/..")
export QT_QPA_PLATFORM=offscreen

# loaded_from_root <program>: fails unless the program loads the library from the scratch root.
loaded_from_root() {
    local found
    found=$(ldd "$1" | sed -n 's/^\s*libusercollection\.so\.[^ ]* => \(\S*\) .*/\1/p')
    if [[ -z $found || $(dirname "$(realpath "$found")") != "$libdir" ]]; then
        echo "$1 does not load the unpacked libusercollection (${found:-not found})" >&2
        return 1
    fi
}

echo "== consumer, found with CMake"
cmake -S tests/consumer/project -B "$scratch/cmake" -DCMAKE_PREFIX_PATH="$root/usr" >/dev/null
cmake --build "$scratch/cmake" >/dev/null
loaded_from_root "$scratch/cmake/consumer"
USERCOLLECTION_DATA=$scratch/data-cmake "$scratch/cmake/consumer"

echo "== consumer, found with pkg-config"
# The package's file names /usr; the unpacked copy lives below the scratch root.
mkdir -p "$scratch/pkgconfig"
sed "s|^prefix=.*|prefix=$root/usr|" "$libdir/pkgconfig/usercollection.pc" >"$scratch/pkgconfig/usercollection.pc"
pc_flags=$(PKG_CONFIG_PATH=$scratch/pkgconfig pkg-config --cflags --libs usercollection)
read -ra flags <<<"$pc_flags"
# Qt's headers want -fPIC, which no pkg-config file may pass on (Qt's CMake package does).
c++ -std=c++17 -fPIC tests/consumer/project/main.cpp "${flags[@]}" -Wl,-rpath,"$libdir" -o "$scratch/consumer-pc"
loaded_from_root "$scratch/consumer-pc"
USERCOLLECTION_DATA=$scratch/data-pc "$scratch/consumer-pc"

echo "== usercollection from the packages"
program=$root/usr/bin/usercollection
loaded_from_root "$program"
"$program" --help >/dev/null
"$program" --data "$scratch/data" effects save equalizer "Bass boost" --set band1=6
"$program" --data "$scratch/data" --json effects list equalizer | grep -q '"name": "Bass boost"'
"$program" --data "$scratch/data" effects list equalizer

echo "== man page"
man -l "$root/usr/share/man/man1/usercollection.1.gz" >"$scratch/man.txt" 2>"$scratch/man.err"
if [[ -s $scratch/man.err ]] || ! grep -q "usercollection" "$scratch/man.txt"; then
    echo "the man page does not render cleanly:" >&2
    cat "$scratch/man.err" >&2
    exit 1
fi
head -n 8 "$scratch/man.txt"

rm -rf "$scratch"
echo "== packages: all checks passed; the packages are in $build/packages"
