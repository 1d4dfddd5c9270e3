# Sourced by the benches that ask a mock logind: a private bus and the
# tests' logind template on it for each run, stopped on exit.
#   start_mock_logind NAME   # then: mock METHOD ARGS..., "$BUILD/bench/..."
set -euo pipefail
BUILD=${BUILD:-$(dirname "$0")/../build/linux}
TEMPLATE=$(cd "$(dirname "$0")/../tests/linux/e2e" && pwd)/logind_sessions.py
WORK=$(mktemp -d /tmp/dormix-bench.XXXXXX)
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

start_mock_logind() {
  dbus-daemon --session --nofork --print-address=3 3>"$WORK/bus$1" >/dev/null 2>&1 &
  PIDS+=($!)
  until [ -s "$WORK/bus$1" ]; do sleep 0.05; done
  export DBUS_SYSTEM_BUS_ADDRESS=$(head -1 "$WORK/bus$1")
  /usr/bin/python3 -m dbusmock --template "$TEMPLATE" >/dev/null 2>&1 &
  PIDS+=($!)
  until mock GetCalls 2>/dev/null; do sleep 0.05; done
}
