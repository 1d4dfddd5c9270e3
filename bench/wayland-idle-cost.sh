#!/usr/bin/env bash
# What watching a Wayland session costs while nobody is there, from /proc,
# summed over each process's threads: CPU time (and that per hour) and
# wake-ups a second (voluntary and involuntary context switches).
#   bench/wayland-idle-cost.sh [SECONDS] [--gnome] [--runs N]
# By default the Linux program (with the idle source its chooser picks)
# runs beside swayidle waiting for a 15-minute timeout, both clients of one
# headless sway session with XWayland, and the program's figures are also
# given as a ratio of swayidle's. With --gnome it runs in a headless mutter
# session (GNOME's idle monitor over D-Bus; swayidle has no protocol to use
# there), and beside it, measured over the same seconds, a second copy in
# an X11 session of its own on Xvfb: the ratio row is the GNOME copy's
# figures over the X11 copy's. SECONDS defaults to 120; with --runs N
# (default 1) each run starts everything afresh and the figures are the
# median of the runs. Compositors refuse root or want a user's session: as
# root everything runs as nobody. Runs build/linux/DormixL, or DORMIX_BIN.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=120 gnome=0 runs=1
while [ $# -gt 0 ]; do
  case $1 in
    --gnome) gnome=1 ;;
    --runs) runs=$2; shift ;;
    *) seconds=$1 ;;
  esac
  shift
done
if [ "$runs" -gt 1 ]; then
  # Each run in a fresh process of this script; the medians from their rows.
  for run in $(seq 1 "$runs"); do
    # Each run's table to stderr as it ends (awk writes to the same file
    # description, so a log of both streams keeps every line).
    "$0" "$seconds" $([ $gnome = 1 ] && echo --gnome) |
      awk '{ print > "/dev/stderr" } /^(dormix|swayidle|x11|ratio) /'
  done | awk -v runs="$runs" '
    function median(s,   a, n, i, j, t) { n = split(s, a, " ")
      for (i = 2; i <= n; i++) for (j = i; j > 1 && a[j-1] > a[j]; j--) { t = a[j]; a[j] = a[j-1]; a[j-1] = t }
      return n % 2 ? a[(n+1)/2] : (a[n/2] + a[n/2+1]) / 2 }
    { if (!($1 in seen)) { seen[$1] = 1; order[++k] = $1 }
      if ($1 == "ratio") { c[$1] = c[$1] " " $2; w[$1] = w[$1] " " $3 }
      else { c[$1] = c[$1] " " $3; w[$1] = w[$1] " " $4 } }
    END { printf "median of %d runs\n%-9s %14s %12s\n", runs, "program", "CPU s/hour", "wake-ups/s"
          for (i = 1; i <= k; i++) printf "%-9s %14.2f %12.2f\n", order[i], median(c[order[i]]), median(w[order[i]]) }'
  exit
fi
program=${DORMIX_BIN:-$root/build/linux/DormixL}
work=$(mktemp -d)
as_user=()
if [ "$(id -u)" = 0 ]; then as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups); fi
session= xvfb=
cleanup() {
  local p
  for p in dormix x11 swayidle compositor; do
    [ -s "$work/home/$p.pid" ] && kill "$(cat "$work/home/$p.pid")" 2>/dev/null
  done
  [ -n "$session" ] && wait "$session" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# The program's build folder may be one only root can enter.
mkdir -p "$work/run" "$work/run-x11" "$work/dormix/Log" "$work/x11/Log" "$work/home"
cp "$program" "$work/DormixL"
chmod 700 "$work/run" "$work/run-x11"
chmod 755 "$work"
[ ${#as_user[@]} -gt 0 ] &&
  chown -R nobody:nogroup "$work/run" "$work/run-x11" "$work/dormix" "$work/x11" "$work/home"
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
  # The same program in an X11 session: its own Xvfb, runtime folder and
  # log, the same session bus.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/x11-display" >/dev/null 2>&1 &
  xvfb=$!
  wait_file "$work/x11-display"
  ("${as_user[@]}" env -i HOME="$work/home" PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$work/run-x11" \
     DBUS_SESSION_BUS_ADDRESS="$(cat "$work/home/bus")" DISPLAY=":$(head -1 "$work/x11-display")" \
     "$work/start" "$work/home/x11" "$work/x11" "$work/DormixL") >/dev/null 2>&1 &
fi
wait_file "$work/home/dormix.pid"
pid_dormix=$(cat "$work/home/dormix.pid")
names=(dormix)
if [ $gnome = 0 ]; then names+=(swayidle); else wait_file "$work/home/x11.pid"; names+=(x11); fi

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
  echo "($seconds s of waiting in one headless sway session)"
else
  # dormix under mutter over dormix on X11, the same seconds.
  awk -v cd="$cpu_dormix" -v cx="$cpu_x11" -v wd="$wake_dormix" -v wx="$wake_x11" \
    'function r(a, b) { return b ? sprintf("%.2f", a / b) : "-" }
     BEGIN { printf "%-9s %12s %14s %12s\n", "ratio", "", r(cd, cx), r(wd, wx) }'
  echo "($seconds s of waiting: dormix in a headless mutter session, x11 in an Xvfb session)"
fi
