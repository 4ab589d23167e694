#!/usr/bin/env python3
"""Names every failed test of a test run, a line each: the "failed test cases:" block of test.sh.

Usage: test-summary.py PATH...

Each PATH is a file, or a folder whose *.xml files are taken; what a file holds tells its kind:
  - Google Test results (<testsuites>, build/<build>/test-results/<program>.xml): each failed case,
    "  <build>: <program>: <class>.<case>: <start of its message>".
  - ctest's JUnit file (<testsuite>, ctest --output-junit, in the build folder): each test ctest
    failed whose own results name no failed case (it ran out of its time limit, crashed, or ended
    before writing them), with the reason and its last output lines.
  - ctest's console output (text with a "Test project <build folder>" line): the reason ctest gave
    (Timeout, SEGFAULT, ...), which its JUnit file leaves out, and the programs that test.sh's count
    found without results although ctest called them passed (those are named too).
A missing or unreadable file gets a note instead; the exit status is 0 unless the usage is wrong.
"""
import os
import re
import sys
import xml.etree.ElementTree as ET

MESSAGE_CHARS = 600   # of a failed case's message
LAST_LINES = 12       # of a failed test's output
LINE_CHARS = 300      # of each of those lines
NO_RESULTS = "no results"   # the verdict of a test that ctest passed but that wrote no results

notes = []


def note(path, what):
    notes.append(f"  note: {path}: {what}")


def read_bytes(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError as e:
        note(path, e.strerror or str(e))
        return None


def build_and_program(path):
    """build/win64/test-results/voice_test.xml -> ("win64", "voice_test")."""
    folder = os.path.dirname(os.path.abspath(path))
    if os.path.basename(folder) == "test-results":
        folder = os.path.dirname(folder)
    return os.path.basename(folder), os.path.splitext(os.path.basename(path))[0]


def one_line(text):
    return re.sub(r"\r\n|\r|\n", " | ", text or "")


def failed_cases(path, root):
    """The build, the program and a line for each failure of a Google Test results file."""
    build, program = build_and_program(path)
    lines = []
    for case in root.iter("testcase"):
        for failure in case.iter("failure"):
            message = one_line(failure.get("message"))[:MESSAGE_CHARS]
            lines.append(f"  {build}: {program}: {case.get('classname', '')}.{case.get('name', '')}: {message}")
    return build, program, lines


def ctest_verdicts(text):
    """Test name -> ctest's word for its failure, from the "The following tests FAILED:" list."""
    verdicts = {}
    listing = False
    for line in text.splitlines():
        if line.startswith("The following tests FAILED:"):
            listing = True
            continue
        m = re.match(r"\s*\d+ - (.+) \(([^()]+)\)\s*$", line) if listing else None
        if m:
            verdicts.setdefault(m.group(1), m.group(2))   # a later rerun's list changes nothing
        else:
            listing = False
    # A program that ctest called passed but that wrote no results (test.sh's count says so).
    for name in re.findall(r"^count: no test results from (\S+)\.xml:", text, re.M):
        verdicts.setdefault(name, NO_RESULTS)
    return verdicts


def log_build(path, text):
    m = re.search(r"^Test project (.+?)\s*$", text, re.M)
    if m:
        return os.path.basename(m.group(1).rstrip("/"))
    name = os.path.basename(path)
    return re.sub(r"(-ctest)?\.log$", "", name)


def why(case, verdict):
    """Why ctest failed a test, in words."""
    status = case.get("status")
    try:
        secs = round(float(case.get("time", "")))
    except ValueError:
        secs = "?"
    failure = case.find("failure")
    message = (failure.get("message") if failure is not None else "") or ""
    if status == "notrun":
        skipped = case.find("skipped")
        return f"did not run ({skipped.get('message') if skipped is not None else verdict or 'no reason given'})"
    if verdict == NO_RESULTS:
        return "ended without writing its results, although ctest called it passed"
    if verdict == "Timeout":
        return f"ran out of its time limit ({secs} s)"
    if message:   # a PASS_ or FAIL_REGULAR_EXPRESSION verdict
        return f"failed ({one_line(message)})"
    if verdict == "Failed":
        return "ended with a failing exit status"
    if verdict:   # SEGFAULT, ILLEGAL, Subprocess aborted, SIGHUP, ...: a signal ended it
        return f"ended by a signal ({verdict})"
    return f"ctest called it failed after {secs} s"


def last_lines(output):
    lines = [line.rstrip() for line in (output or "").splitlines()]
    return [line[:LINE_CHARS] for line in lines if line][-LAST_LINES:]


def ctest_failures(build, root, verdicts, named, with_results):
    """The lines for each test of a ctest JUnit file that failed and is not named by its own cases."""
    lines = []
    for case in root.iter("testcase"):
        status = case.get("status")
        skipped = case.find("skipped")
        if status == "notrun" and skipped is not None and skipped.get("message", "").startswith("SKIP_"):
            continue   # skipped on purpose (SKIP_RETURN_CODE, SKIP_REGULAR_EXPRESSION)
        name = case.get("name", "")
        passed_bare = status == "run" and verdicts.get(name) == NO_RESULTS
        if status not in ("fail", "notrun") and not passed_bare:
            continue
        if (build, name) in named:
            continue
        if status == "notrun" or passed_bare:
            results = ""
        elif (build, name) in with_results:
            results = ", its results name no failed case"
        else:
            results = " without results"
        tail = last_lines(case.findtext("system-out"))
        head = f"  {build}: {name}: {why(case, verdicts.get(name))}{results}"
        lines.append(head + ("; its last lines:" if tail else ", no output"))
        lines.extend("      " + line for line in tail)
    return lines


def main(argv):
    if not argv or argv[0] in ("-h", "--help"):
        print(__doc__.strip(), file=sys.stderr if not argv else sys.stdout)
        return 2 if not argv else 0
    files = []
    for path in argv:
        if os.path.isdir(path):
            try:
                files += [os.path.join(path, f) for f in sorted(os.listdir(path)) if f.endswith(".xml")]
            except OSError as e:
                note(path, e.strerror or str(e))
        elif os.path.exists(path):
            files.append(path)
        else:
            note(path, "missing")

    gtest, junit, verdicts, seen = [], [], {}, set()
    lines = {}   # build -> its lines
    for path in files:
        if os.path.realpath(path) in seen:
            continue
        seen.add(os.path.realpath(path))
        data = read_bytes(path)
        if data is None:
            continue
        if not data.lstrip(b"\xef\xbb\xbf \t\r\n").startswith(b"<"):
            text = data.decode("utf-8", errors="replace")
            verdicts.setdefault(log_build(path, text), {}).update(ctest_verdicts(text))
            continue
        lines.setdefault(build_and_program(path)[0], [])   # the builds in the order given
        try:
            root = ET.fromstring(data)
        except (ET.ParseError, ValueError, LookupError) as e:   # cut short, or no XML at all
            note(path, f"not readable as XML ({e})")
            continue
        if root.tag == "testsuites":
            gtest.append((path, root))
        elif root.tag == "testsuite":
            junit.append((path, root))
        else:
            note(path, f"neither Google Test nor ctest results (<{root.tag}>)")

    named, with_results = set(), set()   # (build, program): its results name a failed case / exist
    for path, root in gtest:
        build, program, cases = failed_cases(path, root)
        with_results.add((build, program))
        if cases:
            named.add((build, program))
        lines.setdefault(build, []).extend(cases)
    for path, root in junit:
        build = build_and_program(path)[0]
        lines.setdefault(build, []).extend(ctest_failures(build, root, verdicts.get(build, {}), named, with_results))

    for build_lines in lines.values():
        for line in build_lines:
            print(line)
    for line in notes:
        print(line)
    return 0


if __name__ == "__main__":
    sys.stdout.reconfigure(errors="replace")
    sys.exit(main(sys.argv[1:]))
