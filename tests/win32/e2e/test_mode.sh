#!/usr/bin/env bash
# The Test button: the caption says test mode, the idle limit is 5 s, and
# the first countdown step ends the test with its message, after which the
# normal cycle (900 s) runs again. The test's entries carry the mark.
source "$(dirname "$0")/lib.sh"
setup
TEST_CAPTION="Dormix Lite - Test Mode"

start
wait_log Start
check "normal title" "Power Off the computer if there is no input activity for over 900 sec" \
    "$(drv text "$MAIN" Title)"
drv click "$MAIN" TestS >/dev/null
check_ok "caption shows test mode" drv wait "$TEST_CAPTION" 3000
check "test title" "Power Off the computer if there is no input activity for over 5 sec" \
    "$(drv text "$TEST_CAPTION" Title)"
check_ok "test message appears" drv wait "Dormix Lite Test" 15000
check "test message" "Test Power Off" "$(drv text "Dormix Lite Test" static)"
check "test message has no icon" none "$(drv boxicon "Dormix Lite Test")"
check "window came out of the tray, on top" "visible=1 iconic=0 topmost=1" \
    "$(drv state "$TEST_CAPTION" | grep -oE 'visible=[01] iconic=[01] topmost=[01]')"
drv click "Dormix Lite Test" OK >/dev/null
check_ok "caption back to normal" drv wait "$MAIN" 3000
check "normal title again" "Power Off the computer if there is no input activity for over 900 sec" \
    "$(drv text "$MAIN" Title)"
check_ok "normal cycle runs again" \
    drv wait-text "$MAIN" Counter "No key or mouse activity for the last 1s" 5000
check "window stays out, no longer on top" "visible=1 iconic=0 topmost=0" \
    "$(drv state "$MAIN" | grep -oE 'visible=[01] iconic=[01] topmost=[01]')"
drv close "$MAIN" >/dev/null
wait_ended "closing ends the program"

expected=" Start    , Initialise, Count:   2
*Enter    , Test      , Count:   2
*Enter    , Run       , Count:   0
*Simulate , Power Off , Count:   0
 Enter    , Run       , Count:   0"
check "log of the test" "$expected" "$(log_entries | head -5)"
check_match "log: exit while monitoring" '^ Exit     , Run       , Count: +[0-9]+$' "$(log_entries | sed -n 6p)"
finish
