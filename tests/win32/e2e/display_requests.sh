#!/usr/bin/env bash
# Programs' display requests as holds, from a stand-in powrprof.dll that
# answers the execution state from a table this test writes (Wine's own
# says ES_USER_PRESENT whatever anyone asks). A copy of the program sits
# beside the stand-in, where Windows looks for a DLL first.
# 1. The answer for each execution state, through the program's own code.
# 3. Action=Hibernate from the policy key with the fast twin: the stand-in
#    answers GetPwrCapabilities and records SetSuspendState; its resume
#    broadcast brings the "Wake" entry and the cycle from its activation.
#    Then a machine without hibernation: one warning (144) and the
#    power-off in its place.
# 2. A -InhibitShutdown run: a failing call counts as no hold (event 142);
#    a film started during the countdown sends it back to the wait with
#    the idle count as it was (one "Wait, Held" entry, event 140); a gap
#    between two films shorter than the 5-s grace brings no countdown and
#    does not set the cap back: 12 s after the wait, "Expire, Hold" (event
#    141) and the countdown runs to its end.
source "$(dirname "$0")/lib.sh"
setup

mkdir "$work/bin"
cp "$EXE" "$DRIVER" "$BUILD/stand-in/powrprof.dll" "$work/bin/"
export DORMIX_POWER_TABLE="Z:${work//\//\\}\\power"
standin="$WINEDLLOVERRIDES;powrprof=n"
# Replaced whole, so the stand-in never reads half a table.
table() { echo "$*" >"$work/power.new" && mv "$work/power.new" "$work/power"; }
answer() { WINEDLLOVERRIDES=$standin wine "$work/bin/dormix-driver.exe" holds 2>/dev/null | tr -d '\r'; }
film="a program's display request (ES_DISPLAY_REQUIRED)"
failure="failure: CallNtPowerInformation(SystemExecutionState) returned NTSTATUS"

check "Wine's own state is ES_USER_PRESENT alone: no hold" none "$(drv holds)"
check "no power manager to ask: a failure, no holder" "$failure 0xC000000F" "$(answer)"
# expected | the table | what it shows
while IFS='|' read -r expected words what; do
    table "$words"
    check "$what" "$expected" "$(answer)"
done <<CASES
$film|ES_DISPLAY_REQUIRED|a film
$film|ES_SYSTEM_REQUIRED ES_DISPLAY_REQUIRED ES_USER_PRESENT|a film, the machine in use
none|ES_SYSTEM_REQUIRED ES_USER_PRESENT|an open audio stream: a system request alone
none|ES_AWAYMODE_REQUIRED ES_SYSTEM_REQUIRED|a recording in away mode
none||nobody asks for anything
$failure 0xC0000022|NTSTATUS 0xC0000022|the call refused
CASES

table NTSTATUS 0xC0000022
WINEDLLOVERRIDES=$standin WINEDEBUG=-all,+eventlog,fixme+advapi \
    wine "$work/bin/DormixL.exe" -InhibitShutdown >/dev/null 2>"$work/eventlog" &
check_ok "a failing call: the countdown at the limit" \
    drv wait-text "$MAIN" Counter "The Computer Will Power Off In 4s" 20000
table ES_DISPLAY_REQUIRED ES_SYSTEM_REQUIRED
check_ok "a film started during it: back to the wait, the idle count untouched" \
    drv wait-text "$MAIN" Counter "No key or mouse activity for the last 8s" 20000
check "no countdown: the window back in the tray" "visible=0" \
    "$(drv state "$MAIN" | grep -oE 'visible=[01]')"
table ES_SYSTEM_REQUIRED ES_USER_PRESENT
check_ok "a gap between two films..." \
    drv wait-text "$MAIN" Counter "No key or mouse activity for the last 10s" 5000
table ES_DISPLAY_REQUIRED
check_ok "...shorter than the grace brings no countdown" \
    drv wait-text "$MAIN" Counter "No key or mouse activity for the last 13s" 5000
check "the window stays in the tray through the gap" "visible=0" \
    "$(drv state "$MAIN" | grep -oE 'visible=[01]')"
check_ok "the cap counts from the wait across the gap and runs out" \
    drv wait "Dormix Lite Simulate Power Off" 45000
drv click "Dormix Lite Simulate Power Off" OK >/dev/null
wait_ended "program ends after OK"

expected=" Start    , Initialise, Count:   2
 Enter    , Run       , Count:   0
 Enter    , Power Off , Count:   0
 Wait     , Held      , Count:   6
 Expire   , Hold      , Count:  19
 Enter    , Power Off , Count:   0
 Power Off, Simulate  , Count:   6"
check "log: no Reset for a hold, one Wait, the cap's Expire 12 s after it" "$expected" "$(log_entries)"
# 142 the failure, 140 the holder named once, 11 and 12 the entries, 141 the cap.
expected="0x0002 0x8000008e
0x0004 0x4000008c
0x0004 0x4000000b
0x0004 0x4000000c
0x0002 0x8000008d"
check "the holds' events in the Application log, in order" "$expected" \
    "$(reported_events "$work/eventlog" | grep -E ' 0x[48]0000(00b|00c|08[c-e])$')"
holds=$(reported_strings "$work/eventlog" | grep -A1 -x 'Dormix Lite Holds' | grep -v -e '^Dormix' -e '^--')
expected="Holds cannot be read (${failure#failure: } 0xC0000022); counted as nothing holding the computer, so an unseen hold never keeps it on.
The computer is held in use by $film; the countdown waits for it at most 12 seconds
The computer was held for 12 seconds by $film; the countdown begins anyway."
check "their texts name the request and the status" "$expected" "$holds"
cp "$FAST_EXE" "$work/bin/"
wine reg add 'HKLM\SOFTWARE\Policies\Dormix Lite' /v Action /t REG_SZ /d Hibernate /f >/dev/null 2>&1
table SystemS3 SystemS4 HiberFilePresent WAKES
rm -f Log/DormixL.log
WINEDLLOVERRIDES=$standin WINEDEBUG=-all,+eventlog,fixme+advapi \
    wine "$work/bin/DormixL-fast.exe" >/dev/null 2>"$work/eventlog" &
check_ok "the title names the action" \
    drv wait-text "$MAIN" Title "Hibernate the computer if there is no input activity for over 900 sec" 20000
check_ok "the counter names it" drv wait-text "$MAIN" Counter "The Computer Will Hibernate In 30s" 60000
wait_log '^ Wake '
check "the window back in the tray" "visible=0" "$(drv state "$MAIN" | grep -oE 'visible=[01]')"
check "one request: hibernate, not forced, wake timers kept" "SetSuspendState 1 0 0" "$(tr -d '\r' <"$work/power.calls")"
table SystemS3
wait_ended "without hibernation the next countdown powers off"
wineserver -w
expected=" Start    , Initialise, Count:   2
 Enter    , Run       , Count:   0
 Enter    , Hibernate , Count:   0
 Close    , Hibernate , Count:  60
 Wake     , Hibernate , Count:  60
 Enter    , Run       , Count:   0
 Enter    , Power Off , Count:   0
 Close    , Power Off , Count:  60"
check "log: hibernate, wake, then the power-off in its place" "$expected" "$(log_entries)"
check "no second request" "SetSuspendState 1 0 0" "$(tr -d '\r' <"$work/power.calls")"
check "the wake-up (15), then the warning (144)" $'0x0004 0x4000000f\n0x0002 0x80000090' \
    "$(reported_events "$work/eventlog" | grep -E ' 0x[48]0000(00f|090)$')"
check "the warning says why" "The computer cannot hibernate (this computer has no hibernation state (S4)); the countdown ends in a power-off instead, so that it never stays on." \
    "$(reported_strings "$work/eventlog" | grep -A1 -x 'Dormix Lite Action' | tail -1)"
finish
