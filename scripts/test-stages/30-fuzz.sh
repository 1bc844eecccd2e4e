#!/usr/bin/env bash
# A short fuzz run (20 s for each of the four libFuzzer targets) from the seed corpus; any crash,
# hang or sanitizer report fails the stage. For a long run: fuzz/run.sh 3600
set -euo pipefail
cmake --preset fuzz
cmake --build --preset fuzz -j "$(nproc)" --target fuzz_archive fuzz_config fuzz_reload fuzz_wav \
    fuzz_sound
fuzz/run.sh "${TOBBLE_FUZZ_SECONDS:-20}"
