#!/bin/sh
# Runs every fuzz target built in build/fuzz for SECONDS each, from its seed
# corpus and dictionary; any crash, sanitizer report or hang fails the run.
# Each target's full output is kept in build/fuzz/fuzz/NAME.log.
seconds=${1:-60}
here=$(cd "$(dirname "$0")" && pwd)
cd "$here/../build/fuzz/fuzz" || exit 1
failed=0
ran=0
for target in fuzz_*; do
    [ -x "$target" ] || continue
    name=${target#fuzz_}
    work="work-corpus/$name"
    log="$name.log"
    dict=
    [ -f "$here/$name.dict" ] && dict="-dict=$here/$name.dict"
    mkdir -p "$work"
    echo "== fuzz $target for ${seconds}s"
    status=0
    ./"$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 \
        -malloc_limit_mb=256 -print_final_stats=1 $dict "$work" "$here/corpus/$name" \
        >"$log" 2>&1 || status=$?
    ran=$((ran + 1))
    if [ "$status" -ne 0 ]; then
        tail -n 40 "$log"
        echo "!! $target failed with exit status $status (log: $PWD/$log)"
        failed=1
    else
        # The last status line: edges covered (cov), features (ft), corpus.
        grep ' cov: ' "$log" | tail -n 1
        grep '^stat::number_of_executed_units' "$log"
    fi
done
if [ "$ran" -eq 0 ]; then
    echo "!! no fuzz targets in $PWD; build the fuzz preset first"
    exit 1
fi
exit "$failed"
