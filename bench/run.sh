#!/usr/bin/env bash
# One command for the benchmark: builds the program (Release), the two floors and the Reload
# micro-benchmark under bench/.build, then measures them side by side on private X and sound
# servers. Prints a table; with --save also writes it to bench/results/.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=$here/.build
cmake -S "$root" -B "$build/program" -DCMAKE_BUILD_TYPE=Release -DTOBBLE_BUILD_TESTS=OFF >/dev/null 2>&1
cmake --build "$build/program" -j "$(nproc)" --target tobble tobble_content >"$build/build.log" 2>&1 || { cat "$build/build.log"; exit 1; }
cmake -S "$here/native" -B "$build/native" -DCMAKE_BUILD_TYPE=Release \
    -DTOBBLE_SOURCE_DIR="$root" -DTOBBLE_BUILD_DIR="$build/program" >/dev/null
cmake --build "$build/native" -j "$(nproc)" >>"$build/build.log" 2>&1 || { cat "$build/build.log"; exit 1; }
exec python3 "$here/bench.py" --program "$build/program/bin/tobble" --native "$build/native" "$@"
