#!/usr/bin/env bash
# A whole cycle with -InhibitShutdown: start in the tray, 2 s activation, 6
# idle seconds, a 6 s countdown on top of everything, then the simulated
# power-off message; OK ends the program. Woken from sleep mid-countdown,
# it starts the countdown again from 6 s. The log gets exactly these lines,
# and the Application log the same entries, with texts from the message table.
source "$(dirname "$0")/lib.sh"
setup

drv watch "$MAIN" Counter "The Computer Will Power Off In 0s" 40000 >"$work/seen" &
watcher=$!
(drv wait-text "$MAIN" Counter "The Computer Will Power Off In 5s" 40000 >/dev/null &&
    drv resume "$MAIN") &
resumer=$!
start_eventlog_traced "$work/eventlog" -InhibitShutdown
wait_log "Start"
check "window comes up hidden in the tray" "visible=0 iconic=1" \
    "$(drv state "$MAIN" | grep -oE 'visible=[01] iconic=[01]')"
check "raised priorities" "class=0x80 thread=2" "$(drv priority "$MAIN")"
check "title" "Power Off the computer if there is no input activity for over 6 sec" \
    "$(drv text "$MAIN" Title)"
wait "$watcher" || true
wait "$resumer"
check "resume posted" 0 $?
seen=$(grep -v '^$' "$work/seen" | grep -v 'for the last 6s' || true)
expected="^Program Activation In 2s
Program Activation In 1s
Program Activation In 0s
No key or mouse activity for the last 1s
No key or mouse activity for the last 2s
No key or mouse activity for the last 3s
No key or mouse activity for the last 4s
No key or mouse activity for the last 5s
The Computer Will Power Off In 6s
The Computer Will Power Off In 5s
(The Computer Will Power Off In [43]s
)*The Computer Will Power Off In 6s
The Computer Will Power Off In 5s
The Computer Will Power Off In 4s
The Computer Will Power Off In 3s
The Computer Will Power Off In 2s
The Computer Will Power Off In 1s
The Computer Will Power Off In 0s$"
check_match "counter texts, in order, the countdown again after the resume" "$expected" "$seen"

check_ok "simulate box appears" drv wait "Dormix Lite Simulate Power Off" 5000
check "simulate box text" "Test Real Power Off" "$(drv text "Dormix Lite Simulate Power Off" static)"
check "simulate box: OK only, no icon" "none OK" \
    "$(drv boxicon "Dormix Lite Simulate Power Off") $(drv text "Dormix Lite Simulate Power Off" OK)"
state=$(drv state "$MAIN")
check "countdown window is shown, on top" "visible=1 iconic=0 topmost=1" \
    "$(grep -oE 'visible=[01] iconic=[01] topmost=[01]' <<<"$state")"
check "countdown buttons" "Cancel 0 0 0 1" "$(drv text "$MAIN" Reset) $(drv enabled "$MAIN" TestS) \
$(drv enabled "$MAIN" About) $(drv enabled "$MAIN" Exit) $(drv enabled "$MAIN" Reset)"
drv click "Dormix Lite Simulate Power Off" OK >/dev/null
wait_ended "program ends after OK"

expected="Dormix Lite
Version 2.1
File Created
T


Dormix Lite
Version 2.1

T,  Start    , Initialise, Count:   2
T,  Enter    , Run       , Count:   0
T,  Enter    , Power Off , Count:   0
T,  Power Off, Simulate  , Count:   6"
check "log file, line by line" "$expected" "$(log_lines)"

check "event types and ids" $'0x0004 0x40000001\n0x0004 0x40000002\n0x0004 0x40000004\n0x0004 0x40000006' \
    "$(reported_events "$work/eventlog")"
check "each event's first string is the log's line" \
    "$(tr -d '\r' <Log/DormixL.log | grep -E '^[0-9]{2}-.*Count:')" \
    "$(reported_strings "$work/eventlog" | grep -E '^[0-9]{2}-.*Count:')"
check "the last event's strings" $'Power Off\nSimulate\n6\nCountdown\n0\n1\n2.1.0.8' \
    "$(reported_strings "$work/eventlog" | tail -n 7)"
expected="The countdown ran out; -InhibitShutdown kept the computer on.

L

Action: Power Off
Detail: Simulate
Count: 6
Phase: Countdown
Test mode: 0
-InhibitShutdown: 1
Version: 2.1.0.8"
check "Event Viewer's text for it, from DormixL.exe's message table" "$expected" \
    "$(drv eventtext "Z:${EXE//\//\\}" 0x40000006 L "Power Off" Simulate 6 Countdown 0 1 2.1.0.8)"
finish
