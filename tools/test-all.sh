#!/bin/sh
# Builds every preset and runs every test: natively (with sanitizers), and
# the Win32 builds under Wine, the end-to-end checks included.
set -e
cd "$(dirname "$0")/.."
tools/install-deps.sh

jobs=$(nproc)
for preset in native native-release mingw64 mingw32 fuzz; do
    echo "== build $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build "build/$preset" -j "$jobs"
done

summary=""
status=0
for preset in native mingw64 mingw32; do
    echo "== test $preset"
    log="build/$preset/ctest.log"
    if ! ctest --preset "$preset" -j "$jobs" 2>&1 | tee "$log"; then
        status=1
    fi
    summary="$summary
$preset: $(grep -E 'tests passed' "$log" || echo 'no summary')"
done

passed=0; failed=0; skipped=0
for preset in native mingw64 mingw32; do
    log="build/$preset/ctest.log"
    total=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$log")
    f=$(sed -n 's/.*, \([0-9]*\) tests failed out of.*/\1/p' "$log")
    s=$(grep -c -E '\*\*\*Skipped|Not Run' "$log" || true)
    passed=$((passed + ${total:-0} - ${f:-0} - s))
    failed=$((failed + ${f:-0}))
    skipped=$((skipped + s))
done
echo "$summary"
echo "total: $passed passed, $failed failed, $skipped skipped"
exit $status
