#!/usr/bin/env bash
# Builds the release package: both Windows flavours' control libraries (both editions), then
# the ZIP of packaging/CMakeLists.txt. Prints the package's path on its last line.
#
# Settings: TAVO_BUILD_DIR (build), TAVO_JOBS (2).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TAVO_BUILD_DIR:-$root/build}
jobs=${TAVO_JOBS:-2}
mkdir -p "$build/logs"

for pair in win32:i686 win64:x86_64; do
    flavour=${pair%%:*} toolchain=${pair##*:}
    echo "=== building the control ($flavour)"
    cmake -S "$root" -B "$build/$flavour" \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-$toolchain.cmake" \
        >"$build/logs/package-configure-$flavour.log" 2>&1
    cmake --build "$build/$flavour" -j "$jobs" --target tavo_control_cn tavo_control_en \
        >"$build/logs/package-build-$flavour.log" 2>&1 ||
        { grep -E "error|\*\*\*" "$build/logs/package-build-$flavour.log" | head -n 40; exit 1; }
done
echo "=== packaging"
rm -rf "$build/package"
cmake -S "$root/packaging" -B "$build/package" -DTAVO_WIN32_BUILD="$build/win32" \
    -DTAVO_WIN64_BUILD="$build/win64" >"$build/logs/package.log" 2>&1
(cd "$build/package" && cpack >>"$build/logs/package.log" 2>&1) ||
    { tail -n 20 "$build/logs/package.log"; exit 1; }
ls "$build/package"/TavoProj1-*-windows.zip
