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

# forbid RULE PATH DIRS [EXEMPT]: reports the includes of PATH in the C and
# C++ sources and resource scripts under DIRS, but for grep lines matching EXEMPT.
forbid() {
    # shellcheck disable=SC2086 # DIRS is a list of folders
    lines=$(grep -rnE --include='*.h' --include='*.cpp' --include='*.c' --include='*.rc' "$include$2" $3)
    [ $? -le 1 ] || exit 2
    [ -z "$4" ] || lines=$(printf '%s\n' "$lines" | grep -vE "$4")
    [ -n "$lines" ] || return 0
    printf '%s\n' "$lines" | sed "s|^|$1: |"
    offences=$((offences + $(printf '%s\n' "$lines" | wc -l)))
}

forbid "platform/ includes a layer above it" "$project(perf|registry|taskicon|app|testing)/" platform
forbid "perf/, registry/ or taskicon/ include app/ or testing/" "$project(app|testing)/" "perf registry taskicon"
forbid "shipping code includes testing/" "${project}testing/" "$product"
forbid "platform/win32/ includes more than platform/ and system headers" '"' platform/win32 \
    ':[0-9]+:[[:space:]]*#[[:space:]]*include[[:space:]]*"platform/'
forbid "<windows.h> outside the files named win32_*" '<windows\.h>' "$product" '^([^:]*/)?win32_[^/:]*:'

if [ "$offences" -ne 0 ]; then
    echo "check-includes: $offences include(s) against the layout" >&2
    exit 1
fi
echo "check-includes: every include points the right way"
