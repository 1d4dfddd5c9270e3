#!/usr/bin/env bash
# The cost of the question about other sessions: one OtherSessionInUse()
# against a mock logind on a private bus with N other sessions, none in use
# (idle SSH logins and switched-away desktops, so every one is asked
# about), for each N given. The mock is Python; logind itself answers
# faster, so these are upper bounds.
#   bench/sessions-cost.sh [N...]        (default: 1 10 50)
set -euo pipefail
BUILD=${BUILD:-$(dirname "$0")/../build/linux}
TEMPLATE=$(cd "$(dirname "$0")/../tests/linux/e2e" && pwd)/logind_sessions.py
WORK=$(mktemp -d /tmp/dormix-sessions-bench.XXXXXX)
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

[ $# -gt 0 ] || set -- 1 10 50
for n in "$@"; do
  dbus-daemon --session --nofork --print-address=3 3>"$WORK/bus$n" >/dev/null 2>&1 &
  PIDS+=($!)
  until [ -s "$WORK/bus$n" ]; do sleep 0.05; done
  export DBUS_SYSTEM_BUS_ADDRESS=$(head -1 "$WORK/bus$n")
  /usr/bin/python3 -m dbusmock --template "$TEMPLATE" >/dev/null 2>&1 &
  PIDS+=($!)
  until mock GetCalls 2>/dev/null; do sleep 0.05; done
  export XDG_SESSION_ID=c0
  mock OpenSession c0 "$(id -u)" me seat0 user "{'Type': <'x11'>, 'Active': <true>}"
  for ((i = 1; i <= n; i++)); do
    if ((i % 2)); then
      mock OpenSession "c$i" $((1000 + i)) "u$i" '' user "{'IdleAgo': <3600>}"
    else
      mock OpenSession "c$i" $((1000 + i)) "u$i" seat0 user "{'Type': <'x11'>}"
    fi
  done
  echo "== $n other sessions"
  "$BUILD/bench/sessions_bench" --benchmark_min_time=1
done
