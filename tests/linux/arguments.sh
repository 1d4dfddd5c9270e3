#!/usr/bin/env bash
# What a mistyped command line gets, before anything starts: the program's
# warning about arguments no switch uses, and the launcher's own options and
# refusals. The program runs without a display, so each case ends at once.
#   arguments.sh <build-folder>
set -uo pipefail
BUILD=$(readlink -f "$1")
WORK=$(mktemp -d /tmp/dormix-args.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
export HOME=$WORK/home XDG_STATE_HOME=$WORK/state XDG_CONFIG_HOME=$WORK/config DISPLAY=:65000
unset WAYLAND_DISPLAY XDG_SESSION_TYPE
mkdir -p "$HOME" "$WORK/Log"
failures=0
IGNORING='the switches are -InhibitShutdown and -AllowMulti, matched exactly;'
REAL="$IGNORING this run will power off for real"
NO_DISPLAY='DormixL: cannot open the X display.*'
USAGE='usage: dormix-lite \[-InhibitShutdown\] \[-AllowMulti\]'

# command | arguments (one word each, | between) | status | first line (an ERE) | where
cases=(
  "DormixL|-inhibitshutdown|1|DormixL: ignoring \"-inhibitshutdown\": $REAL|stderr"
  "DormixL|-AllowMulti|-InhibitShutdown|1|DormixL: ignoring \"-AllowMulti -InhibitShutdown\": $REAL|stderr"
  "DormixL|--version|1|DormixL: ignoring \"--version\": $REAL|stderr"
  "DormixL|-InhibitShutdown|extra|-AllowMulti|1|DormixL: ignoring \"extra\": $IGNORING this run only simulates the power-off|stderr"
  "DormixL|-InhibitShutdown|-AllowMulti|1|$NO_DISPLAY|stderr"
  "DormixL|1|$NO_DISPLAY|stderr"
  "dormix-lite|--help|0|$USAGE|stdout"
  "dormix-lite|--version|0|dormix-lite 2\.1\.0\.8|stdout"
  "dormix-lite|--autostart=on|2|dormix-lite: unknown option \"--autostart=on\"|stderr"
  "dormix-lite|-InhibitShutdown|--help|2|dormix-lite: unknown option \"--help\"|stderr"
  "dormix-lite|--autostart|2|$USAGE|stderr"
  "dormix-lite|--autostart|on|now|2|$USAGE|stderr"
  "dormix-lite|--watch|2|$USAGE|stderr"
  "dormix-lite|--watch|yes|2|$USAGE|stderr"
  "dormix-lite|--watch|on|now|2|$USAGE|stderr"
  "dormix-lite|-inhibitshutdown|1|DormixL: ignoring \"-inhibitshutdown\": $REAL|stderr"
)
for c in "${cases[@]}"; do
  IFS='|' read -r -a f <<<"$c"
  n=${#f[@]}
  command=${f[0]} args=("${f[@]:1:n-4}") status=${f[n-3]} first=${f[n-2]} where=${f[n-1]}
  (cd "$WORK" && "$BUILD/$command" "${args[@]}" >"$WORK/out" 2>"$WORK/err")
  rc=$?
  line=$(head -1 "$WORK/$( [ "$where" = stdout ] && echo out || echo err)")
  if [ "$rc" != "$status" ] || ! [[ $line =~ ^$first$ ]]; then
    echo "FAIL: $command ${args[*]}: status $rc (want $status), $where: $line"
    failures=$((failures + 1))
  fi
done
# The launcher's folder, made by the last case, is closed to other users.
mode=$(stat -c %a "$XDG_STATE_HOME/dormix-lite" 2>&1)
[ "$mode" = 700 ] && [ -d "$XDG_STATE_HOME/dormix-lite/Log" ] ||
  { echo "FAIL: the launcher's state folder: $mode"; failures=$((failures + 1)); }
[ "$failures" = 0 ] || exit 1
echo "PASS: ${#cases[@]} command lines"
