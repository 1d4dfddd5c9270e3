#!/usr/bin/env bash
# The fleet report at the size of a large site: MACHINES machines over DAYS
# days (default 300 x 365, about 2 million entries) as text logs, one
# journal export or one event export (FORM: text, journal, events), then
# dormix-report over them, timed with /usr/bin/time -v: wall time and peak
# RSS, beside one awk pass over the same bytes for scale (the report should
# stay within 3 times it). The logs are
# written once into build/linux/bench-report and kept for later runs.
#   bench/report-scale.sh [MACHINES] [DAYS] [RUNS] [FORM]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/linux
machines=${1:-300}
days=${2:-365}
runs=${3:-3}
form=${4:-text}
fleet=$build/bench-report/fleet-$machines-$days-$form
[ -x "$build/dormix-report" ] && [ -x "$build/report_fixture" ] ||
  cmake --build "$build" --target dormix-report report_fixture -j2 >/dev/null
if [ ! -d "$fleet" ]; then
  mkdir -p "$fleet.tmp"
  "$build/report_fixture" "$fleet.tmp" "$machines" "$days" "$form"
  mv "$fleet.tmp" "$fleet"
fi
mapfile -t files < <(find "$fleet" -type f | sort)
entries=$(cat "${files[@]}" | grep -c ', Count:')
size=$(du -sm "$fleet" | cut -f1)
echo "== $machines machines x $days days: $entries entries, $size MB as $form"
start=$(date +%s.%N)
# The baseline: awk splitting every line at the form's own delimiter (the
# text log's commas, JSON's quotes, XML's tags).
case $form in text) split=, ;; journal) split='"' ;; *) split='<' ;; esac
awk -F"$split" '{ n += NF } END { print n }' "${files[@]}" >/dev/null
echo "awk, one pass splitting every line at $split: $(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.2f", b - a }') s"
for ((run = 1; run <= runs; run++)); do
  /usr/bin/time -v "$build/dormix-report" --out "$build/bench-report/report.html" \
      --csv "$build/bench-report/days.csv" "$fleet" 2>"$build/bench-report/time.txt" >/dev/null
  wall=$(grep 'Elapsed (wall clock)' "$build/bench-report/time.txt" | awk '{print $NF}')
  rss=$(grep 'Maximum resident set size' "$build/bench-report/time.txt" | awk '{print $NF}')
  echo "run $run: wall $wall, peak RSS $((rss / 1024)) MB"
done
echo "page $(du -k "$build/bench-report/report.html" | cut -f1) kB, CSV $(du -k "$build/bench-report/days.csv" | cut -f1) kB"
