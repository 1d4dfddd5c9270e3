#!/usr/bin/env bash
# What the system watch costs while it waits, as a service of Wine's service
# manager in a prefix of this script's own, nobody logged on (Wine's own
# session calls list no session), beside the tray program DormixL.exe
# waiting in another prefix on an Xvfb of its own. Only the two programs'
# own processes are counted, not Wine's servers.
#   bench/win32/watch-idle-cost.sh [SECONDS]
# SECONDS (default 300, under the 900-s limit) of waiting after a warm-up:
#   CPU s/h      time on a CPU, every thread, from /proc/PID/task/*/schedstat
#   wake-ups/s   voluntary plus involuntary context switches, every thread
# Needs build/win32 built.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$root/build/win32
seconds=${1:-300}
warmup=15
work=$(mktemp -d)
xvfb_pid=
end() {
  set +e
  for prefix in "$work/watch" "$work/tray"; do WINEPREFIX=$prefix wineserver -k 2>/dev/null; done
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" && wait "$xvfb_pid"
  rm -rf "$work"
}
trap end EXIT
export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -d "$build/wine-template" ] || bash "$root/tests/win32/e2e/make-template.sh" "$build/wine-template"

# "cpu_ns switches" of a process, summed over its threads.
counters() {
  local ns=0 sw=0 t n
  for t in /proc/"$1"/task/*; do
    read -r n _ 2>/dev/null <"$t/schedstat" || continue
    ns=$((ns + n))
    sw=$((sw + $(awk '/ctxt_switches/ {s += $2} END {print s + 0}' "$t/status" 2>/dev/null || echo 0)))
  done
  echo "$ns $sw"
}
wait_pid() {  # prefix exe: the pid of the process running exe in that prefix, within 30 s
  local pid
  for _ in $(seq 300); do
    for pid in $(pgrep -f "$2"); do
      tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qxF "WINEPREFIX=$1" && { echo "$pid"; return; }
    done
    sleep 0.1
  done
  echo "$2 did not start" >&2; exit 1
}

cp -a "$build/wine-template" "$work/watch"
mkdir -p "$work/bin/Log"
cp "$build/DormixWatch.exe" "$work/bin/"
(
  export WINEPREFIX=$work/watch
  wineserver -p
  wine sc create DormixLiteWatch binPath= "Z:${work//\//\\}\\bin\\DormixWatch.exe" >/dev/null 2>&1 </dev/null
  wine sc start DormixLiteWatch >/dev/null 2>&1 </dev/null
)
watch_pid=$(wait_pid "$work/watch" DormixWatch.exe)

cp -a "$build/wine-template" "$work/tray"
Xvfb -displayfd 8 -screen 0 1024x768x24 -nolisten tcp 8>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
mkdir -p "$work/run/Log"
cp "$build/DormixL.exe" "$work/run/"
(cd "$work/run" && DISPLAY=:$(head -1 "$work/display") WINEPREFIX=$work/tray \
  exec wine DormixL.exe >/dev/null 2>&1 </dev/null) &
tray_pid=$(wait_pid "$work/tray" DormixL.exe)

sleep "$warmup"
read -r w0 ws0 < <(counters "$watch_pid")
read -r t0 ts0 < <(counters "$tray_pid")
sleep "$seconds"
read -r w1 ws1 < <(counters "$watch_pid")
read -r t1 ts1 < <(counters "$tray_pid")
grep -q 'Enter    , Run' "$work/bin/Log/DormixWatch.log" || { echo "the watch did not count" >&2; exit 1; }
report() {  # name ns0 ns1 sw0 sw1
  awk -v n="$1" -v a="$2" -v b="$3" -v c="$4" -v d="$5" -v s="$seconds" \
    'BEGIN {printf "%-12s CPU %7.3f s/h   wake-ups %6.1f /s\n", n, (b - a) / 1e9 * 3600 / s, (d - c) / s}'
}
echo "over $seconds s, Wine $(wine --version)"
report DormixWatch "$w0" "$w1" "$ws0" "$ws1"
report DormixL "$t0" "$t1" "$ts0" "$ts1"
