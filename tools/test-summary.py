#!/usr/bin/env python3
"""Counts ctest's JUnit reports of the presets that test-all.sh ran.

Prints every skipped test with its reason, then one line
"N passed, N failed, N skipped". Exits non-zero when a test failed or did
not run, when a preset ran no test, or when a test was skipped for any
reason but those a machine or a clone may give: a kernel without 32-bit
support, and a clone without the real data laid out beside it.
"""
import sys
import xml.etree.ElementTree as ET

ALLOWED_SKIPS = {
    "this kernel cannot run 32-bit programs",
    "no real data beside the project (../shared/realdata)",
}


def skip_reason(case):
    out = case.findtext("system-out") or ""
    lines = [l for l in out.splitlines() if "SKIPPED:" in l]
    return lines[-1].split("SKIPPED:", 1)[1].strip() if lines else "no reason given"


def main(reports):
    passed = failed = skipped = 0
    problems = []
    for report in reports:
        preset, path = report.split("=", 1)
        try:
            cases = ET.parse(path).getroot().iter("testcase")
        except (OSError, ET.ParseError) as error:
            problems.append(f"{preset}: no test report ({error})")
            continue
        count = 0
        for case in cases:
            count += 1
            name = f"{preset}/{case.get('name')}"
            if case.find("failure") is not None or case.get("status") == "fail":
                failed += 1
                print(f"FAILED  {name}")
            elif case.find("skipped") is not None:
                skipped += 1
                reason = skip_reason(case)
                print(f"skipped {name}: {reason}")
                if reason not in ALLOWED_SKIPS:
                    problems.append(f"{name} was skipped: {reason}")
            elif case.get("status") == "run":
                passed += 1
            else:
                failed += 1
                print(f"FAILED  {name} did not run")
        if count == 0:
            problems.append(f"{preset}: ran no test")
    for problem in problems:
        print(f"PROBLEM {problem}")
    print(f"{passed} passed, {failed} failed, {skipped} skipped")
    return 1 if failed or problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
