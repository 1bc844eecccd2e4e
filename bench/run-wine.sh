#!/usr/bin/env bash
# The Windows program's benchmark: builds tobble.exe (the mingw64 preset's sources, Release) and
# the two Win32 floors under bench/.build, then measures them under 64-bit Wine on private X and
# sound servers (32-bit with --32 where the kernel runs 32-bit code). With --save it also writes
# the table to bench/results/.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
triplet=x86_64-w64-mingw32 toolchain=mingw-x86_64
if [ "${1:-}" = --32 ]; then
    triplet=i686-w64-mingw32 toolchain=mingw-i686
    shift
fi
build=$here/.build/$triplet
mkdir -p "$build"
cmake -S "$root" -B "$build/program" -DCMAKE_BUILD_TYPE=Release -DTOBBLE_BUILD_TESTS=OFF \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain.cmake" >"$build/build.log" 2>&1
cmake --build "$build/program" -j 2 --target tobble >>"$build/build.log" 2>&1 || { cat "$build/build.log"; exit 1; }
for floor in win32_floor win32_picture_floor; do
    define=$([ $floor = win32_picture_floor ] && echo -DWITH_PICTURE || true)
    $triplet-g++-posix -std=c++20 -O2 -Wall $define "$here/native/win32_floor.cpp" \
        -o "$build/$floor.exe" -mwindows -static -s -lgdiplus
done
exec python3 "$here/wine_bench.py" --program "$build/program/bin/tobble.exe" \
    --floor "$build/win32_floor.exe" --picture-floor "$build/win32_picture_floor.exe" "$@"
