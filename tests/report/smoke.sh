#!/usr/bin/env bash
# The console program as an administrator runs it, natively or under Wine:
# a page and a CSV from the known fleet, and its three exit statuses.
#   smoke.sh RUNNER REPORT FIXTURE    (RUNNER: empty, or scripts/wine-run)
set -euo pipefail
runner=${1:+$1}
report=$2
fixture=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
run() { ${runner:+"$runner"} "$@"; }

run "$fixture" fleet known
set +e
run "$report" --from 2026-11-02 --to 2026-11-15 --out r.html --csv d.csv fleet/logs fleet/journal.json \
  fleet/events.xml 2>err.txt
status=$?
set -e
[ "$status" -eq 0 ] || { cat err.txt >&2; fail "status $status with a page"; }
grep -q 'id="hours-off">361.8<' r.html || fail "the page has not the hours off"
grep -q 'logs that stop before the period ends' err.txt || fail "stderr does not count the problem"
[ "$(wc -l <d.csv)" -eq $((1 + 8 * 14)) ] || fail "the CSV has not one row a machine and day"

set +e
run "$report" --watts-on lots fleet 2>err.txt; status=$?
set -e
[ "$status" -eq 2 ] || fail "status $status for bad usage"
grep -q -- '--watts-on lots: not a number' err.txt || fail "bad usage not explained: $(cat err.txt)"
run "$report" --help | grep -q -- '--watts-off W' || fail "--help does not explain --watts-off"

set +e
run "$report" --out none.html missing-folder 2>err.txt; status=$?
set -e
[ "$status" -eq 1 ] || fail "status $status with no source readable"
[ ! -e none.html ] || fail "a page was written without a source"
grep -q 'no source could be read' err.txt || fail "no reason given: $(cat err.txt)"
echo "report smoke: passed"
