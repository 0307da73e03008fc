#!/bin/sh
# fuzz_run.sh - runs one libFuzzer target for a while (the fuzz tree's tests, labelled fuzz).
# Usage: fuzz_run.sh PROGRAM NAME SECONDS TREE SEEDS
#   SECONDS is the default; FUZZ_SECONDS in the environment wins.  The corpus
#   starts empty in TREE/corpus/NAME and is seeded from SEEDS; the run's log is
#   TREE/NAME.log, crash inputs TREE/crash-*.  Prints the final stats.
set -eu
program=$1
name=$2
seconds=${FUZZ_SECONDS:-$3}
tree=$4
seeds=$5
corpus=$tree/corpus/$name
log=$tree/$name.log
rm -rf "$corpus"
mkdir -p "$corpus"
if ! "$program" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$tree/" \
        "$corpus" "$seeds" >"$log" 2>&1; then
    tail -60 "$log"
    exit 1
fi
echo "== fuzz: $name, ${seconds}s, corpus $(ls "$corpus" | wc -l) files"
grep -E '^stat::(number_of_executed_units|peak_rss_mb)|^Done' "$log"
