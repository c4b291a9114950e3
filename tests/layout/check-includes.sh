#!/bin/sh
# Fails on an include that points the wrong way, and on <windows.h> in a
# shipping file not named win32_*; prints each offence as file:line.
# The rule: app/ over perf/, taskicon/, registry/, over the seams in
# platform/; platform/win32/ includes only platform/ and system headers;
# nothing that ships includes testing/.
#   tests/layout/check-includes.sh [source-root]
root=${1:-$(dirname "$0")/../..}
cd "$root" || exit 2
product="app perf registry taskicon platform res"
for dir in $product testing; do
    [ -d "$dir" ] || { echo "check-includes: no $dir/ under $root" >&2; exit 2; }
done

include='^[[:space:]]*#[[:space:]]*include[[:space:]]*'
project='["<](\.\./)*'
offences=0

# report RULE GREP-OUTPUT: prints the offending lines under their rule.
report() {
    [ -n "$2" ] || return 0
    printf '%s\n' "$2" | sed "s|^|$1: |"
    offences=$((offences + $(printf '%s\n' "$2" | wc -l)))
}

# find PATTERN DIR...: the matching lines of C and C++ sources and resource scripts.
find_lines() {
    pattern=$1
    shift
    grep -rnE --include='*.h' --include='*.cpp' --include='*.c' --include='*.rc' "$pattern" "$@"
    [ $? -le 1 ] || exit 2
}

lines=$(find_lines "$include$project(perf|registry|taskicon|app|testing)/" platform) || exit 2
report "platform/ includes a layer above it" "$lines"

lines=$(find_lines "$include$project(app|testing)/" perf registry taskicon) || exit 2
report "perf/, registry/ or taskicon/ include app/ or testing/" "$lines"

lines=$(find_lines "$include$project""testing/" $product) || exit 2
report "shipping code includes testing/" "$lines"

lines=$(find_lines "$include\"" platform/win32) || exit 2
lines=$(printf '%s\n' "$lines" | grep -vE ':[0-9]+:[[:space:]]*#[[:space:]]*include[[:space:]]*"platform/')
report "platform/win32/ includes more than platform/ and system headers" "$lines"

lines=$(find_lines "$include<windows\.h>" $product) || exit 2
lines=$(printf '%s\n' "$lines" | grep -vE '^([^:]*/)?win32_[^/:]*:')
report "<windows.h> outside the files named win32_*" "$lines"

if [ "$offences" -ne 0 ]; then
    echo "check-includes: $offences include(s) against the layout" >&2
    exit 1
fi
echo "check-includes: every include points the right way"
