#!/usr/bin/env bash
# Timer drift over a 60-tick countdown on both platforms, side by side with a
# plain repeating timer (target for the program's timer: under 0.1 %, that is
# 60 ticks within 60.06 s). Both run at once; about a minute.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
ticks=${1:-60}
"$root/build/linux/bench/tick_drift_linux" "$ticks" &
linux=$!
"$root/scripts/wine-run" "$root/build/win32/bench/tick_drift_win32.exe" "$ticks" | tr -d '\r'
wait "$linux"
