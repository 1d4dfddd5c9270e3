#!/usr/bin/env bash
# An administrator's settings from the machine's policy key: with the fast
# twin, a 60-second idle limit and a 10-second countdown run to the
# power-off, the labels and the log showing the numbers, and the Application
# log gets one entry naming them. A REG_SZ where a REG_DWORD belongs is
# ignored with a warning there and on stderr, as is a REG_DWORD where the
# Action's word belongs; the default holds. Then
# AllowExit=0 with a schedule: a copy the user cannot end, that the end of
# the session still ends.
source "$(dirname "$0")/lib.sh"
setup

KEY='HKLM\SOFTWARE\Policies\Dormix Lite'
policy() { wine reg add "$KEY" /v "$1" /t "$2" /d "$3" /f >/dev/null 2>&1; }
policy IdleLimitSeconds REG_DWORD 60
policy CountdownSeconds REG_DWORD 10
policy HoldLimitSeconds REG_DWORD 0
TRACED_EXE=$FAST_EXE start_eventlog_traced "$work/eventlog"
wait_log Start
check "title" "Power Off the computer if there is no input activity for over 60 sec" \
    "$(drv text "$MAIN" Title)"
check_ok "the countdown starts at 10" \
    drv wait-text "$MAIN" Counter "The Computer Will Power Off In 10s" 20000
wait_ended "the power-off ends the program"
wineserver -w
expected=" Start    , Initialise, Count:   2
 Enter    , Run       , Count:   0
 Enter    , Power Off , Count:   0
 Close    , Power Off , Count:  10"
check "log of the configured cycle" "$expected" "$(log_entries)"
check "the settings in force, before the start entry" $'0x0004 0x40000083\n0x0004 0x40000001' \
    "$(reported_events "$work/eventlog" | head -n 2)"
check "their strings" $'Dormix Lite Settings\nIdleLimitSeconds=60 (HKLM\\\\SOFTWARE\\\\Policies\\\\Dormix Lite)\\r\\nCountdownSeconds=10 (HKLM\\\\SOFTWARE\\\\Policies\\\\Dormix Lite)\\r\\nHoldLimitSeconds=0 (HKLM\\\\SOFTWARE\\\\Policies\\\\Dormix Lite)\\r\\nAllowExit=1 (default)\\r\\nAction=PowerOff (default)\\r\\nSchedule=none (default)' \
    "$(reported_strings "$work/eventlog" | head -n 2)"

policy IdleLimitSeconds REG_SZ 1800
policy Action REG_DWORD 1
rm Log/DormixL.log
start_eventlog_traced "$work/eventlog"
wait_log Start
check "a REG_SZ leaves the default" "Power Off the computer if there is no input activity for over 900 sec" \
    "$(drv text "$MAIN" Title)"
drv close "$MAIN" >/dev/null
wait_ended "closing ends the program"
warning='HKLM\SOFTWARE\Policies\Dormix Lite: IdleLimitSeconds is REG_SZ "1800", not REG_DWORD; ignored.'
actionWarning='HKLM\SOFTWARE\Policies\Dormix Lite: Action is REG_DWORD 1, not REG_SZ; ignored.'
check "the warnings, then the settings in force, then the start" \
    $'0x0002 0x80000082\n0x0002 0x80000082\n0x0004 0x40000083\n0x0004 0x40000001' \
    "$(reported_events "$work/eventlog" | head -n 4)"
check "the warnings on stderr" "DormixL: $warning
DormixL: $actionWarning" "$(tr -d '\r' <"$work/eventlog" | grep '^DormixL:')"
check "Event Viewer's text for the warning" "Dormix Lite ignored a setting it cannot use; the value before it, or the default, stays in force.

Dormix Lite Settings
$warning

Version: 2.1.0.8" "$(drv eventtext "Z:${EXE//\//\\}" 0x80000082 "Dormix Lite Settings" "$warning" 0 "" 2.1.0.8)"

# AllowExit=0 and a schedule window without a limit all week: Exit disabled,
# its click and the close box leave the program running, hidden in the
# tray; the end of the session still ends it with its entry. The start's
# entry names both settings and the window in force.
wine reg delete "$KEY" /v IdleLimitSeconds /f >/dev/null 2>&1
wine reg delete "$KEY" /v Action /f >/dev/null 2>&1
policy AllowExit REG_DWORD 0
policy Schedule REG_MULTI_SZ 'Mon-Fri 08:00-18:00 3600\0Mon-Sun 00:00-24:00 never'
rm Log/DormixL.log
start_eventlog_traced "$work/eventlog"
wait_log Start
check "Exit disabled" 0 "$(drv enabled "$MAIN" Exit)"
check_match "the title of a window without a limit" \
    "^(No Power Off now: the administrator's schedule keeps the computer on|.*3600 sec)\$" \
    "$(drv text "$MAIN" Title)"
# A count the program shows only after the one shown now.
next_tick() {
    local n
    n=$(drv text "$MAIN" Counter | grep -oE '[0-9]+')
    drv wait-text "$MAIN" Counter "No key or mouse activity for the last $((n + 2))s" 20000
}
drv click "$MAIN" Exit >/dev/null
check_ok "running after Exit" next_tick
drv close "$MAIN" >/dev/null
check_ok "running after the close box" next_tick
check_match "hidden in the tray" "^visible=0 " "$(drv state "$MAIN")"
drv endsession "$MAIN" >/dev/null
wait_ended "the session's end ends it"
check_match "its Exit entry" "^ Exit     , Run       , Count: +[0-9]+\$" "$(log_entries | tail -1)"
key='HKLM\\\\SOFTWARE\\\\Policies\\\\Dormix Lite'
# Wine's trace cuts a long string: the whole text is the core's to test.
check_match "the start names both settings" \
    "AllowExit=0 \\($key\\)\\\\r\\\\nAction=PowerOff \\(default\\)\\\\r\\\\nSchedule=Mon-Fri 08:00-18:00 3600 " \
    "$(tr -d '\r' <"$work/eventlog" | grep -a -F 'AllowExit=0')"
finish
