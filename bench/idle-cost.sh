#!/usr/bin/env bash
# What Dormix Lite costs while it waits, beside the reference xautolock
# waiting the same way, both in one Xvfb of this script's own (a free display
# the server picks), nobody at the keyboard.
#   bench/idle-cost.sh [SECONDS] [--runs N] [--wine] [--watch]
# SECONDS (default 300) of waiting per run, after a warm-up; N runs (default
# 3), each with freshly started programs. Reported for each program, as
# min / median / max over the runs and as the median of each run's ratio to
# xautolock measured in the same run:
#   CPU s/h      time on a CPU, from /proc/PID/task/*/schedstat (nanoseconds,
#                every thread), scaled to an hour; utime+stime moves in 10 ms
#                steps, too coarse for a program that sleeps 99.99 % of the time
#   wake-ups/s   voluntary plus involuntary context switches, every thread
#   RSS, PSS, private dirty MB   at the end of the run, from smaps_rollup
# With --wine, DormixL.exe runs in a Wine prefix of its own, and beside it a
# trivial Win32 program (one hidden window, one 1-s timer) in another: every
# process of each prefix (wineserver, explorer, services...) is counted, and
# the trivial prefix shows what Wine itself costs.
# With --watch, the system watch (dormix-lite-watch) waits too, against a
# mock logind on a private bus showing only a greeter: its idle count runs,
# and it asks logind nothing until its end (so SECONDS stays below 880).
# Needs build/linux (and build/win32 with --wine) built.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=300 runs=3 with_wine=0 with_watch=0
while [ $# -gt 0 ]; do
  case $1 in
    --wine) with_wine=1 ;;
    --watch) with_watch=1 ;;
    --runs) runs=$2; shift ;;
    *) seconds=$1 ;;
  esac
  shift
done
warmup=15
# The watch's mock logind comes from the D-Bus benches' set-up.
. "$root/bench/lib-mock-bus.sh"
work=$(mktemp -d)
pids=()
stop_all() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  pids=()
  if [ $with_wine -eq 1 ]; then
    for prefix in "$work/prefix-dormix" "$work/prefix-timer"; do
      [ -d "$prefix" ] && WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
      [ -d "$prefix" ] && WINEPREFIX=$prefix wineserver -w 2>/dev/null || true
    done
  fi
}
cleanup() {
  stop_all
  stop_mock_buses
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -1 "$work/display")
unset WAYLAND_DISPLAY XDG_SESSION_TYPE  # an X11 session of its own

# Every process whose environment names PREFIX (a Wine prefix's whole family).
prefix_pids() {
  local p
  for p in /proc/[0-9]*; do
    tr '\0' '\n' 2>/dev/null <"$p/environ" | grep -qxF "WINEPREFIX=$1" && echo "${p#/proc/}"
  done
  true
}

# "pid cpu_ns switches" for each pid, summed over its threads.
counters() {
  local pid t ns sw
  for pid in "$@"; do
    ns=0 sw=0
    for t in /proc/"$pid"/task/*; do
      read -r n _ 2>/dev/null <"$t/schedstat" || continue
      ns=$((ns + n))
      sw=$((sw + $(awk '/ctxt_switches/ {s += $2} END {print s + 0}' "$t/status" 2>/dev/null || echo 0)))
    done
    echo "$pid $ns $sw"
  done
}

# "rss_kb pss_kb private_dirty_kb" summed over the pids.
memory() {
  local pid
  for pid in "$@"; do cat "/proc/$pid/smaps_rollup" 2>/dev/null || true; done |
    awk '/^Rss:/ {r += $2} /^Pss:/ {p += $2} /^Private_Dirty:/ {d += $2}
         END {printf "%d %d %d\n", r, p, d}'
}

launch() {  # dir command...: started in its own folder, its pid in $launched
  local dir=$1
  shift
  mkdir -p "$dir/Log"
  (cd "$dir" && exec "$@" >/dev/null 2>&1) &
  launched=$!
  pids+=("$launched")
}

new_prefix() {
  if [ -d "$root/build/win32/wine-template" ]; then
    cp -a "$root/build/win32/wine-template" "$1"
  else
    WINEPREFIX=$1 wineboot --init >/dev/null 2>&1
    WINEPREFIX=$1 wineserver -w
  fi
}

groups=(DormixL xautolock)
[ $with_wine -eq 1 ] && groups+=("DormixL.exe+Wine" "idle-timer+Wine")
if [ $with_watch -eq 1 ]; then
  groups+=(dormix-lite-watch)
  # Only the watch is given the mock's bus; the other programs keep the system's.
  outer_bus=${DBUS_SYSTEM_BUS_ADDRESS-}
  start_mock_logind watch '{"CanPowerOff": "yes"}'
  mock OpenSession c1 0 gdm seat0 greeter "{'Active': <true>}"
  system_bus=$DBUS_SYSTEM_BUS_ADDRESS
  if [ -n "$outer_bus" ]; then export DBUS_SYSTEM_BUS_ADDRESS=$outer_bus
  else unset DBUS_SYSTEM_BUS_ADDRESS; fi
fi
wine_env=(env WINEARCH=win32 WINEDEBUG=-all "WINEDLLOVERRIDES=mscoree,mshtml=")

for run in $(seq 1 "$runs"); do
  declare -A members=()
  launch "$work/run$run/dormix" env XDG_RUNTIME_DIR="$work/run$run/dormix" "$root/build/linux/DormixL"
  members[DormixL]=$launched
  launch "$work/run$run/xautolock" xautolock -time 15 -locker true -nocloseout -nocloseerr
  members[xautolock]=$launched
  if [ $with_watch -eq 1 ]; then
    launch "$work/run$run/watch" env DBUS_SYSTEM_BUS_ADDRESS="$system_bus" \
      DORMIX_WATCH_LOG_DIR="$work/run$run/watch/Log" "$root/build/linux/dormix-lite-watch"
    members[dormix-lite-watch]=$launched
  fi
  if [ $with_wine -eq 1 ]; then
    rm -rf "$work/prefix-dormix" "$work/prefix-timer"
    new_prefix "$work/prefix-dormix"
    new_prefix "$work/prefix-timer"
    launch "$work/run$run/wine" "${wine_env[@]}" WINEPREFIX="$work/prefix-dormix" \
      wine "$root/build/win32/DormixL.exe"
    launch "$work/run$run/timer" "${wine_env[@]}" WINEPREFIX="$work/prefix-timer" \
      wine "$root/build/win32/bench/idle_timer_win32.exe"
  fi
  sleep "$warmup"  # start-up is not waiting
  if [ $with_wine -eq 1 ]; then
    members[DormixL.exe+Wine]=$(prefix_pids "$work/prefix-dormix" | xargs)
    members[idle-timer+Wine]=$(prefix_pids "$work/prefix-timer" | xargs)
  fi
  declare -A before=()
  for g in "${groups[@]}"; do
    [ -n "${members[$g]}" ] || { echo "$g did not start" >&2; exit 1; }
    # shellcheck disable=SC2086
    before[$g]=$(counters ${members[$g]})
  done
  sleep "$seconds"
  for g in "${groups[@]}"; do
    # Processes a prefix started meanwhile count from zero.
    [ $with_wine -eq 1 ] && case $g in
      DormixL.exe+Wine) members[$g]=$(prefix_pids "$work/prefix-dormix" | xargs) ;;
      idle-timer+Wine) members[$g]=$(prefix_pids "$work/prefix-timer" | xargs) ;;
    esac
    # shellcheck disable=SC2086
    after=$(counters ${members[$g]})
    # shellcheck disable=SC2086
    read -r rss pss dirty <<<"$(memory ${members[$g]})"
    awk -v g="$g" -v run="$run" -v s="$seconds" -v rss="$rss" -v pss="$pss" -v dirty="$dirty" \
        -v before="${before[$g]}" -v after="$after" 'BEGIN {
          n = split(before, b, "\n"); for (i = 1; i <= n; i++) { split(b[i], f, " "); ns0[f[1]] = f[2]; sw0[f[1]] = f[3] }
          n = split(after, a, "\n")
          for (i = 1; i <= n; i++) { split(a[i], f, " "); ns += f[2] - ns0[f[1]]; sw += f[3] - sw0[f[1]] }
          printf "%s\t%d\t%.4f\t%.3f\t%.2f\t%.2f\t%.2f\n", g, run, ns / 1e9 * 3600 / s, sw / s,
                 rss / 1024, pss / 1024, dirty / 1024 }' >>"$work/results"
  done
  stop_all
  unset members before
done

# One line per program and figure: min, median, max over the runs, and the
# median of the per-run ratios to xautolock (and, under Wine, to the trivial
# program's prefix).
echo "$seconds s of waiting x $runs runs, nobody at the keyboard, display $DISPLAY"
awk -F'\t' -v runs="$runs" '
  function sort(a, n,   i, j, t) { for (i = 2; i <= n; i++) for (j = i; j > 1 && a[j-1] > a[j]; j--) { t = a[j]; a[j] = a[j-1]; a[j-1] = t } }
  function median(a, n) { sort(a, n); return n % 2 ? a[(n+1)/2] : (a[n/2] + a[n/2+1]) / 2 }
  { for (m = 3; m <= 7; m++) v[$1, m, $2] = $m; if (!($1 in seen)) { seen[$1] = 1; order[++ng] = $1 } }
  END {
    name[3] = "CPU s/h"; name[4] = "wake-ups/s"; name[5] = "RSS MB"; name[6] = "PSS MB"; name[7] = "private dirty MB"
    printf "%-17s %-17s %9s %9s %9s %12s %12s\n", "program", "figure", "min", "median", "max", "x xautolock", "x Wine floor"
    for (k = 1; k <= ng; k++) {
      g = order[k]
      for (m = 3; m <= 7; m++) {
        for (r = 1; r <= runs; r++) { x[r] = v[g, m, r]; ref[r] = v["xautolock", m, r] > 0 ? x[r] / v["xautolock", m, r] : 0
                                      fl[r] = v["idle-timer+Wine", m, r] > 0 ? x[r] / v["idle-timer+Wine", m, r] : 0 }
        for (r = 1; r <= runs; r++) y[r] = x[r]
        sort(y, runs)
        floor = (g == "DormixL.exe+Wine") ? sprintf("%12.2f", median(fl, runs)) : sprintf("%12s", "-")
        printf "%-17s %-17s %9.3f %9.3f %9.3f %12.2f %s\n", g, name[m], y[1], median(x, runs), y[runs], median(ref, runs), floor
      }
    }
  }' "$work/results"
