#!/usr/bin/env bash
# Real pointer movement (XTest through xdotool): during monitoring it sets
# the idle count back to 0 and shows "M"; during the countdown it changes
# nothing, and the countdown runs out as if nobody had moved.
source "$(dirname "$0")/lib.sh"
setup

start -InhibitShutdown
wait_log Start
check_ok "idle count reaches 3 with the pointer still" \
    drv wait-text "$MAIN" Counter "No key or mouse activity for the last 3s" 15000
xdotool mousemove 200 150
check_ok "a pointer move sets the count back to 0" \
    drv wait-text "$MAIN" Counter "No key or mouse activity for the last 0s" 3000
check "the activity mark says mouse" "M" "$(drv text "$MAIN" CPULoad)"
check_ok "counting starts again" \
    drv wait-text "$MAIN" Counter "No key or mouse activity for the last 2s" 4000
check "the mark clears when idle" "" "$(drv text "$MAIN" CPULoad)"

check_ok "countdown reached" drv wait-text "$MAIN" Counter "The Computer Will Power Off In 4s" 15000
xdotool mousemove 600 500
xdotool mousemove 610 520
drv watch "$MAIN" Counter "The Computer Will Power Off In 0s" 10000 >"$work/seen" || true
check "countdown goes on regardless of the pointer" "The Computer Will Power Off In 0s" \
    "$(tail -1 "$work/seen")"
check "no mark during the countdown" "" "$(drv text "$MAIN" CPULoad)"
drv click "Dormix Lite Simulate Power Off" OK >/dev/null
wait_ended "program ends after OK"

expected=" Start    , Initialise, Count:   2
 Enter    , Run       , Count:   0
 Enter    , Power Off , Count:   0
 Power Off, Simulate  , Count:   6"
check "log: the countdown was neither reset nor restarted" "$expected" "$(log_entries)"
finish
