#!/usr/bin/env bash
# The cost of the question about holds: one LogindHolds::Ask() against a
# mock logind on a private bus with N inhibitors, each of them a hold (an
# idle inhibitor of user root), for each N given. The mock is Python;
# logind itself answers faster, so these are upper bounds.
#   bench/holds-cost.sh [N...]        (default: 0 10 100)
. "$(dirname "$0")/lib-mock-bus.sh"

[ $# -gt 0 ] || set -- 0 10 100
for n in "$@"; do
  start_mock_logind "$n"
  for ((i = 1; i <= n; i++)); do
    mock AddInhibitor idle "Player $i" "Playing a film" block 0 $((1000 + i))
  done
  echo "== $n inhibitors"
  "$BUILD/bench/holds_bench" --benchmark_min_time=1
done
