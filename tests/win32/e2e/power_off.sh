#!/usr/bin/env bash
# The real power-off path, in a throwaway prefix, with the fast-ticking twin
# (the same program, 25 ms ticks, the same 900/60 limits): the countdown
# runs out, ("Close", "Power Off") is logged with count 60, and Wine's
# ExitWindowsEx takes the session down. The power-off service on its own
# returns true for 12 and refuses -1 and 32. When the system refuses the
# request, the log says so ("Refuse" after "Close"), the last-resort report
# shows the error and the program ends.
source "$(dirname "$0")/lib.sh"
setup

start_exe "$FAST_EXE"
check_ok "the window comes out for the countdown" \
    drv wait-text "$MAIN" Counter "The Computer Will Power Off In 30s" 60000
wait_ended "the power-off ends the program"
wineserver -w  # the session is being taken down: let it finish
expected=" Start    , Initialise, Count:   2
 Enter    , Run       , Count:   0
 Enter    , Power Off , Count:   0
 Close    , Power Off , Count:  60"
check "log of a full cycle" "$expected" "$(log_entries)"

check "ShutdownSystem(-1)" "error -2147219921 Invalid parameter to ShutdownSystem: -1" "$(drv shutdown -1)"
check "ShutdownSystem(32)" "error -2147219921 Invalid parameter to ShutdownSystem: 32" "$(drv shutdown 32)"
check "ShutdownSystem(12)" "true" "$(drv shutdown 12)"
wineserver -w

# Wine carries out ExitWindowsEx by starting wineboot; a wineboot that is no
# program makes the request fail as a refusing system would.
echo "not a program" >"$WINEPREFIX/drive_c/windows/system32/wineboot.exe"
rm -f Log/DormixL.log
start_exe "$FAST_EXE"
wait_log Start
check_ok "last-resort report" drv wait "Dormix Lite Error" 60000
check "report: number and description" $'A program error has occured\nError Number: -2147219925\nError description: ShutdownSystem failed: Invalid function.' \
    "$(drv text "Dormix Lite Error" static | sed -e :a -e '/^\n*$/{$d;N;ba' -e '}')"
drv click "Dormix Lite Error" OK >/dev/null
wait_ended "the report's OK ends the program"
check "the close entry was written first, then the refusal" \
    $' Close    , Power Off , Count:  60\n Refuse   , Power Off , Count:  60' "$(log_entries | tail -2)"
finish
