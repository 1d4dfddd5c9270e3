#!/usr/bin/env bash
# The cost of the question about other sessions: one OtherSessionInUse()
# against a mock logind on a private bus with N other sessions, none in use
# (idle SSH logins and switched-away desktops, so every one is asked
# about), for each N given. The mock is Python; logind itself answers
# faster, so these are upper bounds.
#   bench/sessions-cost.sh [N...]        (default: 1 10 50)
. "$(dirname "$0")/lib-mock-bus.sh"

[ $# -gt 0 ] || set -- 1 10 50
for n in "$@"; do
  start_mock_logind "$n"
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
