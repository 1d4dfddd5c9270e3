#!/usr/bin/env bash
# Every orderly way out writes "Exit" with the phase's word: the Exit button
# and the close box in each phase (Exit is disabled in the countdown), and
# the end of the Windows session.
source "$(dirname "$0")/lib.sh"
setup

run_and_end() {  # run_and_end COUNTER-TEXT ACTION...
    local text=$1; shift
    rm -f Log/DormixL.log
    start -InhibitShutdown
    wait_log Start
    drv wait-text "$MAIN" Counter "$text" 20000 >/dev/null
    "$@" >/dev/null
    wait_ended "ended: $* at \"$text\"" >&2
    log_entries | tail -1
}

check "Exit button, activation" " Exit     , Initialise, Count:   1" \
    "$(run_and_end "Program Activation In 1s" drv click "$MAIN" Exit)"
check "Exit button, monitoring" " Exit     , Run       , Count:   2" \
    "$(run_and_end "No key or mouse activity for the last 2s" drv click "$MAIN" Exit)"
check "close box, activation" " Exit     , Initialise, Count:   1" \
    "$(run_and_end "Program Activation In 1s" drv close "$MAIN")"
check "close box, monitoring" " Exit     , Run       , Count:   3" \
    "$(run_and_end "No key or mouse activity for the last 3s" drv close "$MAIN")"
check "close box, countdown" " Exit     , Shutdown  , Count:   3" \
    "$(run_and_end "The Computer Will Power Off In 4s" drv close "$MAIN")"
check "session end, monitoring" " Exit     , Run       , Count:   1" \
    "$(run_and_end "No key or mouse activity for the last 1s" drv endsession "$MAIN")"
check "the real end of the Wine session, monitoring" " Exit     , Run       , Count:   1" \
    "$(run_and_end "No key or mouse activity for the last 1s" wine wineboot --end-session)"
finish
