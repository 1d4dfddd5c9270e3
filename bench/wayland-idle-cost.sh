#!/usr/bin/env bash
# What watching a Wayland session costs while nobody is there, from /proc,
# summed over each process's threads: CPU time (and that per hour) and
# wake-ups a second (voluntary and involuntary context switches).
#   bench/wayland-idle-cost.sh [SECONDS] [--gnome]
# By default the Linux program (with the idle source its chooser picks)
# runs beside swayidle waiting for a 15-minute timeout, both clients of one
# headless sway session with XWayland, and the program's figures are also
# given as a ratio of swayidle's. With --gnome it runs alone in a headless
# mutter session (GNOME's idle monitor over D-Bus; swayidle has no protocol
# to use there). SECONDS defaults to 120. Compositors refuse root or want a
# user's session: as root everything runs as nobody. Needs build/linux.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-120}
gnome=0
[ "${2:-}" = "--gnome" ] && gnome=1
work=$(mktemp -d)
as_user=()
if [ "$(id -u)" = 0 ]; then as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups); fi
session=
cleanup() {
  local p
  for p in dormix swayidle compositor; do
    [ -s "$work/home/$p.pid" ] && kill "$(cat "$work/home/$p.pid")" 2>/dev/null
  done
  [ -n "$session" ] && wait "$session" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# The program's build folder may be one only root can enter.
mkdir -p "$work/run" "$work/dormix/Log" "$work/home"
cp "$root/build/linux/DormixL" "$work/"
chmod 700 "$work/run"
chmod 755 "$work"
[ ${#as_user[@]} -gt 0 ] && chown -R nobody:nogroup "$work/run" "$work/dormix" "$work/home"
# start NAME FOLDER COMMAND...: runs COMMAND in FOLDER, its pid in home/NAME.pid.
printf '#!/bin/sh\necho $$ >"$1.pid"\ncd "$2"\nshift 2\nexec "$@"\n' >"$work/start"
chmod 755 "$work/start"
user_env=(env -i HOME="$work/home" PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$work/run")
wait_file() {
  for _ in $(seq 1 300); do
    [ -s "$1" ] && return 0
    kill -0 "$session" 2>/dev/null || break
    sleep 0.1
  done
  cat "$work/compositor.log" >&2
  exit 1
}

if [ $gnome = 0 ]; then
  # Both clients start from sway itself, so they get its WAYLAND_DISPLAY and
  # DISPLAY as any client of the session would.
  cat >"$work/sway.cfg" <<CFG
xwayland enable
exec $work/start $work/home/dormix $work/dormix $work/DormixL
exec $work/start $work/home/swayidle $work/home swayidle timeout 900 true
CFG
  ("${as_user[@]}" "${user_env[@]}" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 \
     WLR_RENDERER=pixman dbus-run-session -- \
     "$work/start" "$work/home/compositor" "$work/home" sway -c "$work/sway.cfg") \
    >"$work/compositor.log" 2>&1 &
  session=$!
  wait_file "$work/home/swayidle.pid"
else
  ("${as_user[@]}" "${user_env[@]}" dbus-run-session -- sh -c \
     'echo "$DBUS_SESSION_BUS_ADDRESS" >"$1/bus"
      exec "$2" "$1/compositor" "$1" mutter --wayland --headless --virtual-monitor 1024x768 \
        --wayland-display=wayland-bench' sh "$work/home" "$work/start") \
    >"$work/compositor.log" 2>&1 &
  session=$!
  for _ in $(seq 1 300); do
    grep -q "Using public X11 display :" "$work/compositor.log" && break
    sleep 0.1
  done
  display=$(sed -n 's/.*Using public X11 display \(:[0-9]*\).*/\1/p' "$work/compositor.log")
  [ -n "$display" ] || { cat "$work/compositor.log" >&2; exit 1; }
  ("${as_user[@]}" "${user_env[@]}" DBUS_SESSION_BUS_ADDRESS="$(cat "$work/home/bus")" \
     WAYLAND_DISPLAY=wayland-bench XDG_SESSION_TYPE=wayland DISPLAY="$display" \
     XAUTHORITY="$(ls "$work/run"/.mutter-Xwaylandauth.* | head -1)" \
     "$work/start" "$work/home/dormix" "$work/dormix" "$work/DormixL") >/dev/null 2>&1 &
fi
wait_file "$work/home/dormix.pid"
pid_dormix=$(cat "$work/home/dormix.pid")
names=(dormix)
[ $gnome = 0 ] && names+=(swayidle)

# pid -> "cpu_ns switches", summed over its threads
sample() {
  local cpu=0 sw=0 t ns v n
  for t in /proc/"$1"/task/*; do
    read -r ns _ <"$t/schedstat" || continue
    v=$(awk '/^voluntary_ctxt_switches/ {print $2}' "$t/status")
    n=$(awk '/^nonvoluntary_ctxt_switches/ {print $2}' "$t/status")
    cpu=$((cpu + ns))
    sw=$((sw + v + n))
  done
  echo "$cpu $sw"
}

declare -A first
sleep 5  # start-up is not waiting
for n in "${names[@]}"; do first[$n]=$(sample "$(cat "$work/home/$n.pid")"); done
sleep "$seconds"
kill -0 "$pid_dormix" || { echo "DormixL ended early" >&2; exit 1; }
printf '%-9s %12s %14s %12s\n' program "CPU ms" "CPU s/hour" "wake-ups/s"
for n in "${names[@]}"; do
  read -r c0 w0 <<<"${first[$n]}"
  read -r c1 w1 <<<"$(sample "$(cat "$work/home/$n.pid")")"
  eval "cpu_$n=$((c1 - c0)) wake_$n=$((w1 - w0))"
  awk -v n="$n" -v c=$((c1 - c0)) -v w=$((w1 - w0)) -v s="$seconds" \
    'BEGIN { printf "%-9s %12.1f %14.2f %12.2f\n", n, c / 1e6, c / 1e9 * 3600 / s, w / s }'
done
if [ $gnome = 0 ]; then
  # swayidle sleeps until the compositor writes: a zero has no ratio.
  awk -v cd="$cpu_dormix" -v cs="$cpu_swayidle" -v wd="$wake_dormix" -v ws="$wake_swayidle" \
    'function r(a, b) { return b ? sprintf("%.1f", a / b) : "-" }
     BEGIN { printf "%-9s %12s %14s %12s\n", "ratio", "", r(cd, cs), r(wd, ws) }'
fi
echo "($seconds s of waiting in one headless $([ $gnome = 0 ] && echo sway || echo mutter) session)"
