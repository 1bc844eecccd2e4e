#!/usr/bin/env bash
# The 32-bit Windows program: cross-built with MinGW, its unit tests and the smoke test of the
# real tobble.exe under Wine (each with its own prefix, X server and sound server).
set -euo pipefail
cmake --preset mingw
cmake --build --preset mingw -j "$(nproc)"
ctest --preset mingw
