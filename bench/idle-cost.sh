#!/usr/bin/env bash
# What Dormix Lite costs while it waits: runs the Linux program (and, for
# reference, xautolock waiting the same way) under one Xvfb for SECONDS
# (default 120) with nobody at the keyboard, then reports from /proc the CPU
# seconds used, the voluntary context switches (wake-ups) per second, the peak
# resident memory, and the resident memory at minute 1 and at the end.
#   bench/idle-cost.sh [SECONDS] [--wine]
# With --wine, DormixL.exe under Wine is measured too (its own process only;
# wineserver's share is shown apart).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-120}
with_wine=0
[ "${2:-}" = "--wine" ] && with_wine=1
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  [ $with_wine -eq 1 ] && WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -1 "$work/display")
unset WAYLAND_DISPLAY XDG_SESSION_TYPE  # an X11 session of its own
tick=$(getconf CLK_TCK)

# name pid -> "cpu_ticks voluntary_switches rss_kb hwm_kb"
sample() {
  local pid=$1 stat cpu vol rss hwm
  stat=$(cut -d' ' -f14,15 "/proc/$pid/stat")
  cpu=$(( ${stat% *} + ${stat#* } ))
  vol=$(awk '/^voluntary_ctxt_switches/ {print $2}' "/proc/$pid/status")
  rss=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")
  hwm=$(awk '/^VmHWM/ {print $2}' "/proc/$pid/status")
  echo "$cpu $vol $rss $hwm"
}

declare -A start mid
names=()
launch() {  # name dir command...
  local name=$1 dir=$2
  shift 2
  (cd "$dir" && exec "$@" >/dev/null 2>&1) &
  pids+=($!)
  eval "pid_$name=$!"
  names+=("$name")
}

mkdir -p "$work/dormix/Log" "$work/xautolock"
launch dormix "$work/dormix" env XDG_RUNTIME_DIR="$work/dormix" "$root/build/linux/DormixL"
launch xautolock "$work/xautolock" xautolock -time 15 -locker true -nocloseout -nocloseerr
if [ $with_wine -eq 1 ]; then
  export WINEPREFIX=$work/prefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  wineboot --init >/dev/null 2>&1; wineserver -w
  mkdir -p "$work/wine/Log"
  (cd "$work/wine" && wine "$root/build/win32/DormixL.exe" >/dev/null 2>&1 &)
  # Under Wine the program's own process is named after the executable;
  # both it and the prefix's wineserver are told apart from any other
  # Wine on the machine by the prefix in their environment.
  ours() {
    local p
    for p in $(pgrep "$@"); do
      tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && echo "$p"
    done | head -1
  }
  sleep 3  # Wine's loader starts the program through a process of its own
  pid_wine=$(ours -x DormixL.exe)
  pid_wineserver=$(ours -f wineserver)
  [ -n "$pid_wine" ] && [ -n "$pid_wineserver" ] || { echo "DormixL.exe did not start under Wine" >&2; exit 1; }
  names+=(wine wineserver)
fi

sleep 5  # start-up is not waiting
for n in "${names[@]}"; do v=pid_$n; start[$n]=$(sample "${!v}"); done
sleep $(( seconds / 2 ))
for n in "${names[@]}"; do v=pid_$n; mid[$n]=$(sample "${!v}"); done
sleep $(( seconds - seconds / 2 ))

printf '%-11s %12s %14s %12s %14s %14s\n' program "CPU s" "wake-ups/s" "peak KiB" "RSS mid KiB" "RSS end KiB"
for n in "${names[@]}"; do
  v=pid_$n
  read -r c0 w0 _ _ <<<"${start[$n]}"
  read -r _ _ rm _ <<<"${mid[$n]}"
  read -r c1 w1 r1 h1 <<<"$(sample "${!v}")"
  awk -v n="$n" -v c="$((c1 - c0))" -v t="$tick" -v w="$((w1 - w0))" -v s="$seconds" \
      -v h="$h1" -v rm="$rm" -v r1="$r1" \
      'BEGIN { printf "%-11s %12.2f %14.2f %12d %14d %14d\n", n, c / t, w / s, h, rm, r1 }'
done
echo "($seconds s of waiting; CPU per hour = CPU s x $(( 3600 / seconds )))"
