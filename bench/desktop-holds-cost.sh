#!/usr/bin/env bash
# The cost of the desktops' holds question (GNOME's session manager, then
# KDE's or XFCE's power manager, here absent) on a private session bus,
# with no inhibitor and with one idle inhibitor, which GNOME then names.
# The session manager is the tests' Python template; gnome-session answers
# faster, so these are upper bounds.
#   bench/desktop-holds-cost.sh
set -euo pipefail
BUILD=${BUILD:-$(dirname "$0")/../build/linux}
TEMPLATE=$(cd "$(dirname "$0")/../tests/linux/e2e" && pwd)/gnome_session.py
WORK=$(mktemp -d /tmp/dormix-holds-bench.XXXXXX)
PIDS=()
cleanup() {
  local p
  for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null; wait "$p" 2>/dev/null || true; done
  rm -rf "$WORK"
}
trap cleanup EXIT

dbus-daemon --session --nofork --print-address=3 3>"$WORK/bus" >/dev/null 2>&1 &
PIDS+=($!)
until [ -s "$WORK/bus" ]; do sleep 0.05; done
export DBUS_SESSION_BUS_ADDRESS=$(head -1 "$WORK/bus")
/usr/bin/python3 -m dbusmock --session --template "$TEMPLATE" >/dev/null 2>&1 &
PIDS+=($!)
sm() {
  gdbus call --session -d org.gnome.SessionManager -o /org/gnome/SessionManager \
    -m "org.gnome.SessionManager.$1" "${@:2}" >/dev/null
}
until sm IsInhibited 8 2>/dev/null; do sleep 0.05; done
echo "== nothing held"
"$BUILD/bench/desktop_holds_bench" --benchmark_min_time=1
sm Inhibit org.gnome.Totem 0 "Playing a film" 8
echo "== one idle inhibitor"
"$BUILD/bench/desktop_holds_bench" --benchmark_min_time=1
