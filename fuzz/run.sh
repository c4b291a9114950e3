#!/bin/sh
# Runs every fuzz target built in build/fuzz for SECONDS each.
set -eu
seconds=${1:?usage: fuzz/run.sh SECONDS}
root=$(cd "$(dirname "$0")/.." && pwd)
status=0
for target in "$root"/build/fuzz/fuzz/*_fuzz; do
    [ -x "$target" ] || continue
    corpus="$root/build/fuzz/corpus/$(basename "$target")"
    mkdir -p "$corpus"
    echo "fuzzing $(basename "$target") for ${seconds}s"
    "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 "$corpus" || status=1
done
exit $status
