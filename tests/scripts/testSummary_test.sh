#!/usr/bin/env bash
# The failed-tests summary at the end of test.sh (scripts/test-summary.py) over results written here,
# as Google Test programs and ctest leave them: every failure is named once, a program that ran out of
# its time limit or crashed before writing its results by its test name, reason and last output lines.
# Writes Google Test style results to $1 when given.
set -uo pipefail
cd "$(dirname "$0")/../.."
results=${1:-}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/build/win64/test-results" "$tmp/build/native/test-results" "$tmp/build/win32/test-results"

# win64: one program with a failed case (ctest failed it too), one that ran out of its time limit
# without results, one whose results name no failed case although it failed (a leak found at exit),
# one that did not run for a failed fixture, one skipped on purpose, one that ctest called passed but
# that wrote no results, and one that passed.
cat >"$tmp/build/win64/test-results/voice_test.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<testsuites tests="2" failures="1" disabled="0" errors="0" time="0" name="AllTests">
  <testsuite name="Voice" tests="2" failures="1" disabled="0" skipped="0" errors="0" time="0">
    <testcase name="Glides" status="run" result="completed" time="0" classname="Voice" />
    <testcase name="StealsTheOldest" status="run" result="completed" time="0" classname="Voice">
      <failure message="voice.cpp:40&#x0A;Expected: a &lt;b&gt; &amp; &quot;c&quot;&#x0A;  Actual: 2" type=""><![CDATA[voice.cpp:40
Expected: a <b> & "c"
  Actual: 2]]></failure>
    </testcase>
  </testsuite>
</testsuites>
EOF
cat >"$tmp/build/win64/test-results/leak_test.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<testsuites tests="1" failures="0" disabled="0" errors="0" time="0" name="AllTests">
  <testsuite name="Leak" tests="1" failures="0" disabled="0" errors="0" time="0">
    <testcase name="Frees" status="run" result="completed" time="0" classname="Leak" />
  </testsuite>
</testsuites>
EOF
pages_out=$(for i in $(seq 1 20); do echo "pages step $i"; echo; done)
cat >"$tmp/build/win64/ctest-junit.xml" <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<testsuite name="(empty)" tests="6" failures="4" disabled="0" skipped="1" hostname="" time="600" timestamp="2024-01-01T00:00:00">
	<testcase name="voice_test" classname="voice_test" time="1.5" status="fail">
		<failure message=""/>
		<system-out>voice output
</system-out>
	</testcase>
	<testcase name="pages_test" classname="pages_test" time="600.0213" status="fail">
		<failure message=""/>
		<system-out>$pages_out
</system-out>
	</testcase>
	<testcase name="leak_test" classname="leak_test" time="2" status="fail">
		<failure message=""/>
		<system-out>leak &lt;block&gt; &amp; more
</system-out>
	</testcase>
	<testcase name="after_setup" classname="after_setup" time="0" status="notrun">
		<skipped message="Fixture dependency failed"/>
		<system-out>Failed test dependencies: setup</system-out>
	</testcase>
	<testcase name="skipped_test" classname="skipped_test" time="0" status="notrun">
		<skipped message="SKIP_RETURN_CODE=77"/>
		<system-out></system-out>
	</testcase>
	<testcase name="silent_test" classname="silent_test" time="3" status="run">
		<system-out>X Error of failed request
</system-out>
	</testcase>
	<testcase name="tone_test" classname="tone_test" time="3" status="run">
		<system-out>tone output
</system-out>
	</testcase>
</testsuite>
EOF
printf '%s\n' 'time limits x1 (load 0.5 on 8 cores)' "Test project $tmp/build/win64" \
  '1/6 Test #2: pages_test .......................***Timeout 600.02 sec' '' \
  '33% tests passed, 4 tests failed out of 6' '' 'The following tests FAILED:' \
  $'\t  1 - voice_test (Failed)' $'\t  2 - pages_test (Timeout)' $'\t  3 - leak_test (Failed)' \
  $'\t  4 - after_setup (Not Run)' 'Errors while running CTest' \
  'count: no test results from silent_test.xml: the program ended without writing them' >"$tmp/build/win64-ctest.log"

# native: a program that crashed while writing its results (they are cut short).
printf '<?xml version="1.0" encoding="UTF-8"?>\n<testsuites tests="3" failures="0"' \
  >"$tmp/build/native/test-results/mixer_test.xml"
cat >"$tmp/build/native/ctest-junit.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<testsuite name="(empty)" tests="1" failures="1" disabled="0" skipped="0" hostname="" time="1">
	<testcase name="mixer_test" classname="mixer_test" time="0.4" status="fail">
		<failure message=""/>
		<system-out>mixing 1
mixing 2
</system-out>
	</testcase>
</testsuite>
EOF
printf '%s\n' "Test project $tmp/build/native" 'The following tests FAILED:' $'\t  1 - mixer_test (SEGFAULT)' \
  >"$tmp/build/native-ctest.log"

# win32: everything passed; its log is missing.
cat >"$tmp/build/win32/ctest-junit.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<testsuite name="(empty)" tests="1" failures="0" disabled="0" skipped="0" hostname="" time="1">
	<testcase name="bank_test" classname="bank_test" time="0.4" status="run">
		<system-out>bank output
</system-out>
	</testcase>
</testsuite>
EOF

summary() { python3 scripts/test-summary.py "$@" 2>&1; echo "exit status $?"; }
args=()
for b in native win64 win32; do args+=("$tmp/build/$b/test-results" "$tmp/build/$b/ctest-junit.xml" "$tmp/build/$b-ctest.log"); done
out=$(summary "${args[@]}")
# As the summary used to be: the Google Test results alone.
gtest_only=$(summary "$tmp/build/win64/test-results" "$tmp/build/native/test-results" "$tmp/build/win32/test-results")
# Without the console logs: the reasons come from the JUnit files alone.
no_logs=$(summary "$tmp/build/win64/ctest-junit.xml" "$tmp/build/native/ctest-junit.xml")

passed=0; failed=0; cases=()
# Each case: NAME|OUTPUT|WANT|PATTERN: OUTPUT (out, gtest_only, no_logs) holds WANT lines matching the
# extended regular expression PATTERN (WANT "+" for one or more; "1:N" for the line and the N after it).
table=$(cat <<'EOF'
AFailedCaseIsNamedWithItsMessage|out|1|^  win64: voice_test: Voice\.StealsTheOldest: voice\.cpp:40 \| Expected: a <b> & "c" \|   Actual: 2$
AProgramWithAFailedCaseIsNotNamedAgain|out|1|^  win64: voice_test:
ATimedOutProgramIsNamedWithItsLimit|out|1|^  win64: pages_test: ran out of its time limit \(600 s\) without results; its last lines:$
ItsLastTwelveOutputLinesFollowIndented|out|1:12|^  win64: pages_test: |^      pages step (9|1[0-9]|20)$
AnEarlierLineIsLeftOut|out|0|pages step 8$
ACrashedProgramIsNamedWithTheSignal|out|1|^  native: mixer_test: ended by a signal \(SEGFAULT\) without results; its last lines:$
ItsOutputFollows|out|1:2|^  native: mixer_test: |^      mixing [12]$
CutShortResultsAreNoted|out|1|^  note: .*/native/test-results/mixer_test\.xml: not readable as XML
AFailureWhoseResultsNameNoCaseIsNamed|out|1|^  win64: leak_test: ended with a failing exit status, its results name no failed case; its last lines:$
ItsOutputIsUnescapedOnce|out|1|^      leak <block> & more$
ATestNotRunForAFailedFixtureIsNamed|out|1|^  win64: after_setup: did not run \(Fixture dependency failed\); its last lines:$
AProgramPassedWithoutResultsIsNamed|out|1|^  win64: silent_test: ended without writing its results, although ctest called it passed; its last lines:$
PassingAndSkippedTestsAreNotNamed|out|0|tone_test|skipped_test|bank_test|voice output|tone output
AMissingFileIsNoted|out|1|^  note: .*/build/win32-ctest\.log: missing$
NoTraceback|out|0|Traceback
TheSummaryEndsWell|out|1|^exit status 0$
WithoutTheLogTheTimeIsSaid|no_logs|1|^  win64: pages_test: ctest called it failed after 600 s without results; its last lines:$
WithoutTheJUnitFileTheTimedOutProgramGoesUnnamed|gtest_only|0|pages_test
EOF
)
check() {   # check NAME OUTPUT WANT PATTERN
  local name=$1 text=$2 want=$3 pattern=$4 got ok=0
  case $want in
    +) got=$(grep -cE -- "$pattern" <<<"$text"); [ "$got" -ge 1 ] && ok=1 ;;
    1:*)   # the first pattern once, the N lines after it all matching the second
      local head=${pattern%%|^*} rest="^${pattern#*|^}" n=${want#1:}
      got=$(grep -cE -- "$head" <<<"$text")
      [ "$got" = 1 ] && [ "$(grep -A"$n" -E -- "$head" <<<"$text" | tail -n +2 | grep -cE -- "$rest")" = "$n" ] &&
        [ "$(grep -A"$((n + 1))" -E -- "$head" <<<"$text" | tail -n +$((n + 2)) | grep -cE -- "$rest")" = 0 ] && ok=1 ;;
    *) got=$(grep -cE -- "$pattern" <<<"$text"); [ "$got" = "$want" ] && ok=1 ;;
  esac
  if ((ok)); then passed=$((passed + 1)); cases+=("<testcase name=\"$name\" classname=\"TestSummary\"/>"); echo "[       OK ] $name"
  else
    failed=$((failed + 1))
    cases+=("<testcase name=\"$name\" classname=\"TestSummary\"><failure message=\"wanted $want of /$(tr '"<>&\n' "'...|" <<<"$pattern")/ in: $(tr '"<>&\n' "'...|" <<<"$text")\"/></testcase>")
    echo "[  FAILED  ] $name: wanted $want lines matching /$pattern/ in:"; echo "$text"
  fi
}
while IFS='|' read -r name which want pattern; do
  check "$name" "${!which}" "$want" "$pattern"
done <<<"$table"

if [ -n "$results" ]; then
  mkdir -p "$(dirname "$results")"
  { echo "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    echo "<testsuites tests=\"$((passed + failed))\" failures=\"$failed\" disabled=\"0\" errors=\"0\" name=\"testSummary\">"
    echo "<testsuite name=\"TestSummary\" tests=\"$((passed + failed))\" failures=\"$failed\" disabled=\"0\" errors=\"0\">"
    printf '%s\n' "${cases[@]}"
    echo "</testsuite></testsuites>"; } >"$results"
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
