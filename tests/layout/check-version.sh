#!/bin/sh
# Fails when the README or the user's guide names a version of Gaugelet
# other than the project's, or is missing.
#   check-version.sh SOURCE_ROOT VERSION
cd "$1" || exit 2
for doc in README.md docs/USER.md; do
    [ -r "$doc" ] || { echo "check-version: no $doc"; exit 1; }
done
others=$(grep -n -o -i -E 'gaugelet[- ]([a-z]+ )?[0-9]+\.[0-9]+(\.[0-9]+)?' README.md docs/USER.md |
    grep -v -E "[- ]$2\$")
[ -z "$others" ] || { printf 'check-version: not version %s:\n%s\n' "$2" "$others"; exit 1; }
echo "check-version: README.md and docs/USER.md name version $2 alone"
