#!/usr/bin/env bash
# Runs each fuzz target for SECONDS (default 20) from the seed corpus and prints its figures.
# The seeds in fuzz/corpus stay as they are: new inputs go to build-fuzz/fuzz/work/<target>.
#   fuzz/run.sh            short run, as in the test stage
#   fuzz/run.sh 3600 fuzz_config    one target for an hour
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(fuzz_archive fuzz_config fuzz_reload fuzz_wav fuzz_sound)

bin=build-fuzz/fuzz
status=0
for target in "${targets[@]}"; do
    seeds=(fuzz/corpus/config)
    options=(-dict=fuzz/config.dict -max_len=65536)
    if [ "$target" = fuzz_wav ]; then
        seeds=(fuzz/corpus/wav)
        options=(-max_len=4096)
    elif [ "$target" = fuzz_sound ]; then
        seeds=(fuzz/corpus/wav fuzz/corpus/sound)
        options=(-max_len=16384)
    elif [ "$target" = fuzz_archive ]; then
        # Room for a few entries; each may inflate to a thousand times its size on disk.
        seeds=(fuzz/corpus/archive)
        options=(-max_len=8192)
    fi
    work=$bin/work/$target
    mkdir -p "$work" "$bin/crashes"
    log=$bin/$target.log
    if ! "$bin/$target" "$work" "${seeds[@]}" "${options[@]}" -max_total_time="$seconds" \
        -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$bin/crashes/$target-" >"$log" 2>&1; then
        echo "$target: FAILED, see $log and $bin/crashes"
        grep -E 'ERROR|SUMMARY|==' "$log" | head -20
        status=1
        continue
    fi
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    last=$(grep -E '^#[0-9]+' "$log" | tail -1)
    cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
    ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
    echo "$target: ${seconds}s, $execs executions, coverage $cov edges, $ft features, corpus $(ls "$work" | wc -l) inputs"
done
exit $status
