#!/usr/bin/env bash
# The cost of the desktops' holds question (GNOME's session manager, then
# KDE's or XFCE's power manager, here absent) on a private session bus,
# with no inhibitor and with one idle inhibitor, which GNOME then names.
# The session manager is the tests' Python template; gnome-session answers
# faster, so these are upper bounds.
#   bench/desktop-holds-cost.sh
. "$(dirname "$0")/lib-mock-bus.sh"

start_mock_session gnome_session.py
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
