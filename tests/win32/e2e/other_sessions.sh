#!/usr/bin/env bash
# Other users' sessions, from a stand-in wtsapi32.dll that answers from a
# table this test writes (Wine's own lists no session). A copy of the
# program sits beside the stand-in, where Windows looks for a DLL first.
# 1. The answer for each kind of machine, through the program's own code.
# 2. A -InhibitShutdown run: another user's active session holds the
#    countdown back (one "Wait" entry, the count goes past the limit);
#    once it is disconnected the countdown runs; the user switching back in
#    during it ends it as a Cancel; the next countdown runs to its end.
source "$(dirname "$0")/lib.sh"
setup

mkdir "$work/bin"
cp "$EXE" "$DRIVER" "$BUILD/stand-in/wtsapi32.dll" "$work/bin/"
export DORMIX_SESSION_TABLE="Z:${work//\//\\}\\sessions"
standin="$WINEDLLOVERRIDES;wtsapi32=n"
# Replaced whole, so the stand-in never reads half a table.
table() { printf '%s\n' "$@" >"$work/sessions.new" && mv "$work/sessions.new" "$work/sessions"; }
answer() { WINEDLLOVERRIDES=$standin wine "$work/bin/dormix-driver.exe" other-sessions 2>/dev/null | tr -d '\r'; }

check "Wine's own wtsapi32 lists no session: nobody else" nobody "$(drv other-sessions)"
check "no session manager to reach: in use" "in use" "$(answer)"
# expected | the table's rows, ";" between them | what it shows
while IFS='|' read -r expected rows what; do
    IFS=';' read -ra lines <<<"$rows"
    table "${lines[@]}"
    check "$what" "$expected" "$(answer)"
done <<'CASES'
nobody|0 Disconnected;self Active ann;65536 Listen|only our own session and the system's
in use|self Active ann;2 Active bob|another user at the console or remote
in use|self Disconnected ann;2 Active bob|switched away from ours to another user
nobody|self Active ann;2 Disconnected bob;3 Disconnected cid|other users switched away or dropped
nobody|self Disconnected ann;2 Active|the logon screen, nobody logged on
nobody|2 Connected bob;3 Idle cid;4 Shadow dan|sessions in no active state
in use|self Active ann;2 Active ?|an active session whose user cannot be read
CASES

table "0 Disconnected" "self Active ann" "2 Active bob" "65536 Listen"
WINEDLLOVERRIDES=$standin WINEDEBUG=-all,+eventlog,fixme+advapi \
    wine "$work/bin/DormixL.exe" -InhibitShutdown >/dev/null 2>"$work/eventlog" &
check_ok "the count goes past the limit" \
    drv wait-text "$MAIN" Counter "No key or mouse activity for the last 8s" 20000
check "no countdown: the window stays in the tray" "visible=0" \
    "$(drv state "$MAIN" | grep -oE 'visible=[01]')"
table "0 Disconnected" "self Active ann" "2 Disconnected bob"
check_ok "countdown once the other user is disconnected" \
    drv wait-text "$MAIN" Counter "The Computer Will Power Off In 4s" 10000
table "self Disconnected ann" "2 Active bob"
check_ok "the user switching back in ends it as a Cancel" \
    drv wait-text "$MAIN" Counter "Program Activation In 2s" 15000
check "back in the tray" "visible=0" "$(drv state "$MAIN" | grep -oE 'visible=[01]')"
check_ok "held back again at the next limit" \
    drv wait-text "$MAIN" Counter "No key or mouse activity for the last 7s" 20000
table "self Disconnected ann" "2 Disconnected bob"
check_ok "the next countdown runs to its end" drv wait "Dormix Lite Simulate Power Off" 30000
drv click "Dormix Lite Simulate Power Off" OK >/dev/null
wait_ended "program ends after OK"

expected=" Start    , Initialise, Count:   2
 Enter    , Run       , Count:   0
 Wait     , Other User, Count:   6
 Enter    , Power Off , Count:   0
 Reset    , Power Off , Count:   6
 Enter    , Run       , Count:   0
 Wait     , Other User, Count:   6
 Enter    , Power Off , Count:   0
 Power Off, Simulate  , Count:   6"
check "log: one Wait entry per stretch, the Cancel's Reset" "$expected" "$(log_entries)"
check "each Wait entry reaches the Application log: information, event 10" 2 \
    "$(reported_events "$work/eventlog" | grep -c '^0x0004 0x4000000a$')"
finish
