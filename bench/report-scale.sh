#!/usr/bin/env bash
# The fleet report at the size of a large site: MACHINES machines' text logs
# over DAYS days (default 300 x 365, about 2 million entries), then
# dormix-report over the whole tree, timed with /usr/bin/time -v: wall time
# and peak RSS. The logs are written once into build/linux/bench-report and
# kept for later runs.
#   bench/report-scale.sh [MACHINES] [DAYS] [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/linux
machines=${1:-300}
days=${2:-365}
runs=${3:-3}
fleet=$build/bench-report/fleet-$machines-$days
[ -x "$build/dormix-report" ] && [ -x "$build/report_fixture" ] ||
  cmake --build "$build" --target dormix-report report_fixture -j2 >/dev/null
if [ ! -d "$fleet" ]; then
  mkdir -p "$fleet.tmp"
  "$build/report_fixture" "$fleet.tmp" "$machines" "$days"
  mv "$fleet.tmp" "$fleet"
fi
entries=$(cat "$fleet"/*/DormixL.log | grep -c ', Count:')
size=$(du -sm "$fleet" | cut -f1)
echo "== $machines machines x $days days: $entries entries, $size MB of text logs"
for ((run = 1; run <= runs; run++)); do
  /usr/bin/time -v "$build/dormix-report" --out "$build/bench-report/report.html" \
      --csv "$build/bench-report/days.csv" "$fleet" 2>"$build/bench-report/time.txt" >/dev/null
  wall=$(grep 'Elapsed (wall clock)' "$build/bench-report/time.txt" | awk '{print $NF}')
  rss=$(grep 'Maximum resident set size' "$build/bench-report/time.txt" | awk '{print $NF}')
  echo "run $run: wall $wall, peak RSS $((rss / 1024)) MB"
done
echo "page $(du -k "$build/bench-report/report.html" | cut -f1) kB, CSV $(du -k "$build/bench-report/days.csv" | cut -f1) kB"
