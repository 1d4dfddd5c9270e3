#!/usr/bin/env bash
# The cost of the question about holds: one LogindHolds::Ask() against a
# mock logind on a private bus with N inhibitors, each of them a hold (an
# idle inhibitor of user root), for each N given. The mock is Python;
# logind itself answers faster, so these are upper bounds.
#   bench/holds-cost.sh [N...]        (default: 0 10 100)
set -euo pipefail
BUILD=${BUILD:-$(dirname "$0")/../build/linux}
TEMPLATE=$(cd "$(dirname "$0")/../tests/linux/e2e" && pwd)/logind_sessions.py
WORK=$(mktemp -d /tmp/dormix-holds-bench.XXXXXX)
PIDS=()
cleanup() {
  local p
  for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null; wait "$p" 2>/dev/null || true; done
  rm -rf "$WORK"
}
trap cleanup EXIT

mock() {
  gdbus call --address "$DBUS_SYSTEM_BUS_ADDRESS" --dest org.freedesktop.login1 \
    --object-path /org/freedesktop/login1 --method "org.freedesktop.DBus.Mock.$1" "${@:2}" >/dev/null
}

[ $# -gt 0 ] || set -- 0 10 100
for n in "$@"; do
  dbus-daemon --session --nofork --print-address=3 3>"$WORK/bus$n" >/dev/null 2>&1 &
  PIDS+=($!)
  until [ -s "$WORK/bus$n" ]; do sleep 0.05; done
  export DBUS_SYSTEM_BUS_ADDRESS=$(head -1 "$WORK/bus$n")
  /usr/bin/python3 -m dbusmock --template "$TEMPLATE" >/dev/null 2>&1 &
  PIDS+=($!)
  until mock GetCalls 2>/dev/null; do sleep 0.05; done
  for ((i = 1; i <= n; i++)); do
    mock AddInhibitor idle "Player $i" "Playing a film" block 0 $((1000 + i))
  done
  echo "== $n inhibitors"
  "$BUILD/bench/holds_bench" --benchmark_min_time=1
done
