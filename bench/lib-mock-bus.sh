# Sourced by the benches that ask a stand-in on a private D-Bus: a bus and
# a dbusmock template of the tests' on it for each run, stopped on exit
# (a bench with an exit trap of its own calls stop_mock_buses from it).
#   start_mock_logind NAME [PARAMETERS]  # the system bus's logind, with the
#                                        # template's parameters (JSON); then:
#                                        # mock METHOD ARGS...
#   start_mock_session TEMPLATE          # a session bus service
set -euo pipefail
BUILD=${BUILD:-$(dirname "${BASH_SOURCE[0]}")/../build/linux}
TEMPLATES=$(cd "$(dirname "${BASH_SOURCE[0]}")/../tests/linux/e2e" && pwd)
WORK=$(mktemp -d /tmp/dormix-bench.XXXXXX)
PIDS=()
stop_mock_buses() {
  local i
  # Each mock before its bus; one that already went with its bus is no
  # failure (under set -e a failing kill would end the clean-up early).
  for ((i = ${#PIDS[@]} - 1; i >= 0; i--)); do
    kill "${PIDS[i]}" 2>/dev/null || true
    wait "${PIDS[i]}" 2>/dev/null || true
  done
  PIDS=()
  rm -rf "$WORK"
}
trap stop_mock_buses EXIT

mock() {
  gdbus call --address "$DBUS_SYSTEM_BUS_ADDRESS" --dest org.freedesktop.login1 \
    --object-path /org/freedesktop/login1 --method "org.freedesktop.DBus.Mock.$1" "${@:2}" >/dev/null
}

# A private bus; its address in the variable named by $2.
start_private_bus() {
  dbus-daemon --session --nofork --print-address=3 3>"$WORK/bus$1" >/dev/null 2>&1 &
  PIDS+=($!)
  until [ -s "$WORK/bus$1" ]; do sleep 0.05; done
  export "$2=$(head -1 "$WORK/bus$1")"
}

start_mock_logind() {
  start_private_bus "$1" DBUS_SYSTEM_BUS_ADDRESS
  /usr/bin/python3 -m dbusmock --template "$TEMPLATES/logind_sessions.py" -p "${2:-{\}}" \
    >/dev/null 2>&1 &
  PIDS+=($!)
  until mock GetCalls 2>/dev/null; do sleep 0.05; done
}

start_mock_session() {
  start_private_bus session DBUS_SESSION_BUS_ADDRESS
  /usr/bin/python3 -m dbusmock --session --template "$TEMPLATES/$1" >/dev/null 2>&1 &
  PIDS+=($!)
}
