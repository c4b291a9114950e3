#!/bin/sh
# Runs every fuzz target built in build/fuzz for SECONDS each, from its seed
# corpus; any crash, sanitizer report or hang fails the run.
set -e
seconds=${1:-60}
cd "$(dirname "$0")/../build/fuzz/fuzz"
for target in fuzz_*; do
    [ -x "$target" ] || continue
    name=${target#fuzz_}
    corpus="corpus/$name"
    work="work-corpus/$name"
    mkdir -p "$work"
    echo "== fuzz $target for ${seconds}s"
    ./"$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 \
        -malloc_limit_mb=256 -print_final_stats=0 "$work" "$corpus" 2>&1 | tail -n 3
done
