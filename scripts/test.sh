#!/usr/bin/env bash
# Builds Tobble and runs every test: each stage in scripts/test-stages runs in name order, all of
# them run even when one fails, and the script fails if any did.
set -uo pipefail
cd "$(dirname "$0")/.."

failed=()
for stage in scripts/test-stages/*.sh; do
    echo "=== $(basename "$stage" .sh)"
    if ! bash "$stage"; then
        failed+=("$(basename "$stage" .sh)")
    fi
done

if [ ${#failed[@]} -ne 0 ]; then
    echo "FAILED stages: ${failed[*]}"
    exit 1
fi
echo "All test stages passed."
