#!/usr/bin/env bash
# The system watch as a service of Wine's service manager: the fast twin
# (25 ms ticks, the same 900/60 limits) registered with sc and started, its
# sessions answered by the stand-in wtsapi32.dll from a table.
# 1. Started by hand it says it is a service and ends with 1.
# 2. Nobody logged on (the logon screen's session, the system's, the
#    listener): the full cycle in DormixWatch.log, the Application log's
#    copies, the forced, planned power-off request, then the service stops.
# 3. A user logged on (switched away, still a user): no power-off for longer
#    than the limit and the countdown; sc stop writes the exit entry.
# 4. No session manager to ask at the start: the watch asks again each
#    minute; it answers a user, then nobody with no session change heard (a
#    remote log-off whose news was lost): counted again within the minute,
#    the cycle runs to the request.
# 5. The rehearsal, -InhibitShutdown given to sc start: the short limits and
#    the simulate entry instead of the request; an unknown argument warned
#    about in the Application log.
# 6. AllowExit=0: the tray program kept running in the user's session, by
#    the whole watch and by one started with -KeepOnly (no power-off).
# Each start reports its steps to the service manager (start pending with a
# check point a step) before it runs, and stopped is the last word; the
# events come under the watch's own source.
source "$(dirname "$0")/lib.sh"
setup

bin=$work/bin
mkdir -p "$bin/WatchLog"
cp "$BUILD/DormixWatch-fast.exe" "$BUILD/stand-in/wtsapi32.dll" "$bin/"
table() { printf '%s\n' "$@" >"$work/sessions.new" && mv "$work/sessions.new" "$work/sessions"; }
# Wine output to files: a pipe would stay open in the service manager it starts.
run() { wine "$@" >"$work/out" 2>>"$work/trace" </dev/null; tr -d '\r' <"$work/out"; }
state() { run sc query DormixLiteWatch | sed -nE 's/ *STATE *: *[0-9]+ +([A-Z_]+).*/\1/p'; }
watch_log() { log_entries "$bin/WatchLog/DormixWatch.log"; }
# Waits (up to a minute) until COMMAND's output matches PATTERN.
wait_for() {
    local what=$1 pattern=$2; shift 2
    for _ in $(seq 600); do [[ $("$@" 2>/dev/null) =~ $pattern ]] && { echo "ok   $what"; return; }; sleep 0.1; done
    echo "FAIL $what: $("$@" 2>&1 | tail -3)"; failures=$((failures + 1))
}

wine "$bin/DormixWatch-fast.exe" >/dev/null 2>"$work/by-hand" && rc=0 || rc=$?
check "started by hand: ends with 1" 1 "$rc"
check_match "started by hand: names the service" "service \(DormixLiteWatch\)" "$(cat "$work/by-hand")"

# A service gets the system's environment, not ours: the table's name and the
# stand-in go where the service manager, started afresh, reads them.
run reg add 'HKLM\System\CurrentControlSet\Control\Session Manager\Environment' \
    /v DORMIX_SESSION_TABLE /d "Z:${work//\//\\}\\sessions" /f >/dev/null
run reg add 'HKCU\Software\Wine\AppDefaults\DormixWatch-fast.exe\DllOverrides' /v wtsapi32 /d native /f >/dev/null
wineserver -k && wineserver -w
wineserver -p  # the service outlives every command that talks to it
# The first command starts the service manager, whose services inherit the
# event-log and power-off traces into $work/trace.
WINEDEBUG=-all,+eventlog,fixme+advapi,+service run sc create DormixLiteWatch \
    binPath= "Z:${bin//\//\\}\\DormixWatch-fast.exe" start= demand >/dev/null
table "0 Disconnected" "1 Connected" "65536 Listen"
run sc start DormixLiteWatch >/dev/null
wait_for "nobody logged on: the power-off is requested" "Close +, Power Off" watch_log
wait_for "the service then stops" "^STOPPED$" state
expected=" Start    , Initialise, Count:   2
 Enter    , Run       , Count:   0
 Enter    , Power Off , Count:   0
 Close    , Power Off , Count:  60"
check "the watch's log of a full cycle" "$expected" "$(watch_log)"
check "54 characters an entry" "" "$(tr -d '\r' <"$bin/WatchLog/DormixWatch.log" | grep ', Count:' | awk 'length != 54')"
check "each entry reaches the Application log; the request as a warning" \
    $'0x0004 0x40000001\n0x0004 0x40000002\n0x0004 0x40000004\n0x0002 0x80000007' "$(reported_events "$work/trace")"
# Wine carries the request no further than its trace: no machine, no message,
# no delay, programs forced closed, no restart, "Other (Planned)".
check "the system shutdown request: forced, no restart, planned" 1 \
    "$(tr -d '\r' <"$work/trace" | grep -c 'InitiateSystemShutdownExA (null) (null) 0 1 0 0x80000000$')"
check "the ended cycle is no failure: no restart follows" "0" \
    "$(run sc query DormixLiteWatch | sed -nE 's/ *WIN32_EXIT_CODE *: *([0-9]+).*/\1/p')"

table "0 Disconnected" "1 Disconnected ann" "65536 Listen"
mv "$bin/WatchLog/DormixWatch.log" "$work/first.log"
run sc start DormixLiteWatch >/dev/null
wait_for "a user logged on: the watch runs" "Enter +, Run" watch_log
pid=$(pgrep -f 'DormixWatch-fast.exe' | head -1)
# Limit and countdown take 24 s at this speed: wait until it has run for 36.
wait_for_age() { [ "$(ps -o etimes= -p "$pid" | tr -d ' ')" -ge 36 ] && echo old; }
wait_for "the watch outlives the limit and the countdown" old wait_for_age
check "no power-off while a user is logged on" "RUNNING" "$(state)"
run sc stop DormixLiteWatch >/dev/null
wait_for "sc stop stops it" "^STOPPED$" state
expected=" Start    , Initialise, Count:   2
 Enter    , Run       , Count:   0
 Exit     , Run       , Count:   0"
check "log: the count never ends, the stop's exit entry" "$expected" "$(watch_log)"
check "still one request in all" 1 "$(tr -d '\r' <"$work/trace" | grep -c 'InitiateSystemShutdownExA')"

rm "$work/sessions"
mv "$bin/WatchLog/DormixWatch.log" "$work/second.log"
run sc start DormixLiteWatch >/dev/null
wait_for "no session manager: the watch runs" "Enter +, Run" watch_log
events() { reported_events "$work/trace"; }
wait_for "a minute of failed counts is reported" "0x8000006a" events
table "0 Disconnected" "1 Disconnected ann" "65536 Listen"
wait_for "asked again, a user" "0x4000006b" events
table "0 Disconnected" "65536 Listen"
wait_for "asked again, nobody: the power-off is requested" "Close +, Power Off" watch_log
check "two requests in all" 2 "$(tr -d '\r' <"$work/trace" | grep -c 'InitiateSystemShutdownExA')"

wait_for "stopped after the request" "^STOPPED$" state
mv "$bin/WatchLog/DormixWatch.log" "$work/third.log"
run sc start DormixLiteWatch -InhibitShutdown -Fast >/dev/null
wait_for "the rehearsal ends in the simulate entry" "Power Off, Simulate" watch_log
wait_for "and the service stops" "^STOPPED$" state
expected=" Start    , Initialise, Count:   2
 Enter    , Run       , Count:   0
 Enter    , Power Off , Count:   0
 Power Off, Simulate  , Count:   6"
check "the rehearsal's log: 6-s limits" "$expected" "$(watch_log)"
check "no request from the rehearsal" 2 "$(tr -d '\r' <"$work/trace" | grep -c 'InitiateSystemShutdownExA')"
check "the unknown argument named in the Application log" 1 \
    "$(reported_strings "$work/trace" | grep -c 'unknown argument \\"-Fast\\" ignored')"
# Our service's reports (own process, 0x10): state and check point.
reports=$(tr -d '\r' <"$work/trace" | sed -nE 's/.*trace:service:SetServiceStatus //p' |
    awk '$2 == "0x10" {print $3, $7}')
start=$'0x2 0x1\n0x2 0x2\n0x2 0x3\n0x4 0'
check "each start in steps, then running; stopped last" \
    "$start"$'\n0x1 0\n'"$start"$'\n0x3 0x1\n0x1 0\n'"$start"$'\n0x1 0\n'"$start"$'\n0x1 0' "$reports"
check "the events' source is the watch's own" "4 0" \
    "$(tr -d '\r' <"$work/trace" | grep -c 'RegisterEventSourceA ((null),"Dormix Lite Watch")') $(
       tr -d '\r' <"$work/trace" | grep -c 'RegisterEventSourceA ((null),"Dormix Lite")')"

# 6. AllowExit=0: the watch starts the tray program (installed beside it, its
#    Log folder there) in a user's session that has none, and brings back a
#    copy that is killed, each time with event 150. Wine has one session
#    and one user: the stand-in answers the session's token with the
#    service's own. Only real Windows shows the copy started as another user
#    on that user's desktop, and a log-off that ends it for good.
run reg add 'HKLM\SOFTWARE\Policies\Dormix Lite' /v AllowExit /t REG_DWORD /d 0 /f >/dev/null
cp "$EXE" "$bin/" && mkdir -p "$bin/Log"
table "0 Disconnected" "self Active ann"
run sc start DormixLiteWatch >/dev/null
# This prefix's copy only: other tests run theirs beside it.
copy() {
    local p
    for p in $(pgrep -f 'DormixL\.exe'); do
        grep -qzx "WINEPREFIX=$WINEPREFIX" "/proc/$p/environ" 2>/dev/null && { echo "$p"; return; }
    done
}
wait_for "a session without a copy gets one" '^[0-9]+$' copy
first=$(copy)
wait_for "the copy runs its cycle" "Enter +, Run" log_entries "$bin/Log/DormixL.log"
killed=$(date +%s)
kill -9 "$first"
again() { local c; c=$(copy); [ -n "$c" ] && [ "$c" != "$first" ] && echo again; }
wait_for "the killed copy comes back" '^again$' again
check "within 10 seconds" yes "$([ $(($(date +%s) - killed)) -le 10 ] && echo yes)"
wait_for "and starts its log afresh" "Start.*Start" log_entries "$bin/Log/DormixL.log"
expected="Dormix Lite was not running in session [0-9]+ \(user ann\); started there, as the administrator keeps it running \(AllowExit=0\)\.
Dormix Lite ended in session [0-9]+ \(user ann\) without its Exit; started again there, as the administrator keeps it running \(AllowExit=0\)\."
check_match "both starts in the Application log, with the session and its user" "^$expected\$" \
    "$(reported_strings "$work/trace" | grep -E '^Dormix Lite (was not|ended)')"
check "as warnings (150)" 2 "$(reported_events "$work/trace" | grep -c ' 0x80000096$')"
run sc stop DormixLiteWatch >/dev/null
wait_for "sc stop stops the watch, the copy runs on" "^STOPPED$" state
# -KeepOnly: the service keeps the program running and does nothing else.
entries=$(watch_log | wc -l)
run sc start DormixLiteWatch -KeepOnly >/dev/null
wait_for "started with -KeepOnly" "^RUNNING$" state
first=$(copy)
kill -9 "$first"
wait_for "-KeepOnly: the killed copy comes back" '^again$' again
check "-KeepOnly: no count, no watch log" "$entries" "$(watch_log | wc -l)"
run sc stop DormixLiteWatch >/dev/null
wait_for "and sc stop stops it" "^STOPPED$" state
finish
