#!/usr/bin/env bash
# The Linux program: unit tests of the logic, window tests, and the real program under Xvfb.
set -euo pipefail
cmake --preset default
cmake --build --preset default -j "$(nproc)"
scripts/with-desktop.sh ctest --preset default
