#!/usr/bin/env bash
# A second copy shows the notice and leaves the first undisturbed; OK ends
# the notice copy without a log entry. "-AllowMulti" at the end of the
# arguments lets a second copy run; anywhere else it does not.
source "$(dirname "$0")/lib.sh"
setup
NOTICE="Dormix Lite Start Up Error"

start
wait_log Start
start
check_ok "second copy shows the notice" drv wait "$NOTICE" 10000
check "notice text" $'Dormix or Dormix Lite is already\nrunning, Only one instance can\nbe running at a time' \
    "$(drv text "$NOTICE" ErrorMess)"
check_match "notice: on top, close box only, 283x95" \
    'topmost=1 enabled=1 sysmenu=1 minbox=0 maxbox=0 .* client=283x95' "$(drv state "$NOTICE")"
check "button, with the focus" "OK Exit" "$(drv text "$NOTICE" Exit) $(drv focus "$NOTICE")"
check "still one main window" 1 "$(drv count "$MAIN")"
drv click "$NOTICE" Exit >/dev/null
check_ok "OK ends the notice copy" drv gone "$NOTICE" 5000
check_ok "the first copy runs on" drv wait-text "$MAIN" Counter "No key or mouse activity for the last 1s" 5000

start -AllowMulti x
check_ok "switch not at the end: notice again" drv wait "$NOTICE" 10000
drv close "$NOTICE" >/dev/null
check_ok "the close box ends the notice copy too" drv gone "$NOTICE" 5000

start x -AllowMulti
for _ in $(seq 100); do [ "$(drv count "$MAIN")" = 2 ] && break; sleep 0.1; done
check "with -AllowMulti last a second copy runs" 2 "$(drv count "$MAIN")"
check "and no notice" 0 "$(drv count "$NOTICE")"
drv close "$MAIN" >/dev/null
for _ in $(seq 50); do [ "$(drv count "$MAIN")" = 1 ] && break; sleep 0.1; done
drv close "$MAIN" >/dev/null
wait_ended "both copies closed"

check "log: two starts and two exits, nothing from the notices" "2 2 0" \
    "$(log_entries | grep -c '^ Start    , Initialise') $(log_entries | grep -c '^ Exit ') \
$(log_entries | grep -vcE '^ (Start|Exit|Enter    , Run) ')"

# The mutex's name taken by another kind of object: no copy can tell whether
# another runs, so it refuses rather than risk two countdowns, and says so in
# the Application log with an event of its own.
wine "$DRIVER" squat Dormix >"$work/squat" 2>/dev/null &
squatter=$!
for _ in $(seq 100); do grep -q squatting "$work/squat" && break; sleep 0.1; done
before=$(log_entries | wc -l)
start_eventlog_traced "$work/refused"
check_ok "no marker: a warning box" drv wait "$NOTICE" 10000
check "which says why" $'Cannot tell whether another copy is running:\nthe running-copy marker could not be made.\nThe program will now terminate.' \
    "$(drv boxtext "$NOTICE" | sed '/^$/d')"
check "with the warning icon, and no main window" "icon 0" "$(drv boxicon "$NOTICE") $(drv count "$MAIN")"
drv click "$NOTICE" OK >/dev/null
check_ok "OK ends it" drv gone "$NOTICE" 5000
check "nothing logged" "$before" "$(log_entries | wc -l)"
check "the refusal reported as event 121" "0x0002 0x80000079" "$(reported_events "$work/refused")"
kill "$squatter"
finish
