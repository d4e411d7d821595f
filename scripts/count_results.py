#!/usr/bin/python3
"""Counts the results of scripts/test.sh and prints the summary.

    count_results.py RESULTS_DIR FLAVOUR...

For each flavour RESULTS_DIR holds <flavour>-ctest.xml (ctest's JUnit report) and
<flavour>-gtest/ (the GoogleTest XML report of each test program, named after its ctest
test). Test cases are counted from the GoogleTest reports; a test program that failed without
a failing case in its report (it crashed, timed out, or wrote no report) counts as one failed
test; a ctest test with no report of its own counts as one test. RESULTS_DIR/build-failures
lists flavours that did not build (one failed test each) and RESULTS_DIR/fuzz.tsv the fuzz
targets ("name<TAB>passed|failed"), and RESULTS_DIR/package.tsv the release package's checks in the same form. RESULTS_DIR/win32-skipped holds the reason why this
machine could not run the i686 tests; they count neither way, and the summary says so in one
line just before the last. The last line printed is "N passed, N failed"; the exit
status is 0 only when nothing failed and something passed.
"""
import os
import sys
import xml.etree.ElementTree as ElementTree


def parse(path):
    try:
        return ElementTree.parse(path).getroot()
    except (OSError, ElementTree.ParseError):
        return None


def count_gtest_report(root):
    passed = failed = skipped = 0
    failures = []
    for case in root.iter("testcase"):
        name = "%s.%s" % (case.get("classname", "?"), case.get("name", "?"))
        if case.find("failure") is not None or case.find("error") is not None:
            failed += 1
            failures.append(name)
        elif case.get("result") == "skipped" or case.get("status") == "notrun" \
                or case.find("skipped") is not None:
            skipped += 1
        else:
            passed += 1
    return passed, failed, skipped, failures


def count_flavour(results, flavour):
    passed = failed = skipped = 0
    failures = []
    junit = parse(os.path.join(results, flavour + "-ctest.xml"))
    if junit is None:
        return 0, 1, 0, ["%s: no ctest report (ctest did not run)" % flavour]
    reports = os.path.join(results, flavour + "-gtest")
    for test in junit.iter("testcase"):
        name = test.get("name", "?")
        ctest_failed = test.get("status") == "fail" or test.find("failure") is not None
        ctest_skipped = test.get("status") in ("notrun", "disabled")
        report = parse(os.path.join(reports, name + ".xml"))
        if report is not None:
            p, f, s, names = count_gtest_report(report)
            passed += p
            failed += f
            skipped += s
            failures += names
            if ctest_failed and f == 0:
                failed += 1
                failures.append("%s (the program failed: crash, time-out or exit code)" % name)
        elif ctest_failed:
            failed += 1
            failures.append("%s (no test report)" % name)
        elif ctest_skipped:
            skipped += 1
        else:
            passed += 1
    return passed, failed, skipped, ["%s: %s" % (flavour, n) for n in failures]


def count_tsv(path):
    """Lines "name<TAB>passed|failed": (passed, failed, failed names)."""
    passed, failed, names = 0, 0, []
    if os.path.exists(path):
        with open(path) as lines:
            for line in lines:
                name, _, outcome = line.strip().partition("\t")
                if outcome == "passed":
                    passed += 1
                else:
                    failed += 1
                    names.append(name)
    return passed, failed, names


def main():
    if len(sys.argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    results = sys.argv[1]
    flavours = sys.argv[2:]
    broken = set()
    path = os.path.join(results, "build-failures")
    if os.path.exists(path):
        with open(path) as lines:
            broken = {line.strip() for line in lines if line.strip()}

    total_passed = total_failed = 0
    failures = []
    skip_line = None
    for flavour in flavours:
        if flavour == "fuzz":
            continue
        skipped_path = os.path.join(results, flavour + "-skipped")
        if flavour not in broken and os.path.exists(skipped_path):
            with open(skipped_path) as reason:
                skip_line = "%s tests: SKIPPED, this machine cannot run 32-bit programs (%s)" % (
                    flavour, reason.read().strip())
            print("%-8s SKIPPED" % (flavour + ":"))
            continue
        if flavour in broken:
            print("%-8s did not build: 1 failed" % (flavour + ":"))
            total_failed += 1
            failures.append("%s: build" % flavour)
            continue
        passed, failed, skipped, names = count_flavour(results, flavour)
        print("%-8s %d passed, %d failed, %d skipped" % (flavour + ":", passed, failed, skipped))
        total_passed += passed
        total_failed += failed
        failures += names

    # Fuzz targets and the release package's checks: one test per line of their list.
    for label, wanted in (("fuzz", "fuzz" in flavours), ("package", True)):
        path = os.path.join(results, label + ".tsv")
        if not wanted or (label == "package" and not os.path.exists(path)):
            continue
        passed, failed, names = count_tsv(path)
        if label in broken:
            failed += 1
            names.append("build")
        print("%-8s %d passed, %d failed" % (label + ":", passed, failed))
        total_passed += passed
        total_failed += failed
        failures += ["%s: %s" % (label, name) for name in names]

    for name in failures[:100]:
        print("FAILED  " + name)
    if len(failures) > 100:
        print("FAILED  ... and %d more" % (len(failures) - 100))
    if skip_line:
        print(skip_line)
    print("%d passed, %d failed" % (total_passed, total_failed))
    return 0 if total_failed == 0 and total_passed > 0 else 1


if __name__ == "__main__":
    sys.exit(main())
