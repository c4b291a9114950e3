#!/bin/bash
# Builds every preset and runs every test: natively (with sanitizers), and
# the Win32 builds under Wine, the end-to-end checks included. Exits non-zero
# when anything fails, crashes, times out, cannot set up or does not run; its
# last line counts the tests.
set -u
cd "$(dirname "$0")/.."
tools/install-deps.sh || { echo "FAILED: could not install what the tests need"; exit 1; }

phase() { printf '== %s (%d s so far)\n' "$1" "$SECONDS"; }

jobs=$(nproc)
for preset in native native-release mingw64 mingw32 fuzz; do
    phase "build $preset"
    if ! cmake --preset "$preset" >/dev/null || ! cmake --build "build/$preset" -j "$jobs"; then
        echo "FAILED: the $preset build"
        echo "0 passed, 1 failed, 0 skipped"
        exit 1
    fi
done

status=0
reports=()
for preset in native mingw64 mingw32; do
    phase "test $preset"
    report="$PWD/build/$preset/ctest-report.xml"
    rm -f "$report"
    ctest --preset "$preset" -j "$jobs" --output-junit "$report" || status=1
    reports+=("$preset=$report")
done
phase "summary"
python3 tools/test-summary.py "${reports[@]}" || status=1
exit $status
