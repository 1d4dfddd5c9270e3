#!/usr/bin/env bash
# Whole runs of the system watch's fast build (900 idle seconds in about
# 23 s) as an ordinary process, against a mock logind on a private bus:
#   watch.sh <build-folder> <scenario>
# The fast build traces each count of the users' sessions and each tick's
# phase and count ("count <phase> <n>"; 1 is the idle count, 2 the
# countdown) on stderr.
BUILD=$1
SCENARIO=$2
# The journal scenario runs in a mount namespace of its own, as the
# program's does (log.sh).
. "$(dirname "${BASH_SOURCE[0]}")/private-mounts.sh"
# The hold scenario and the reload bring their own settings in a private /etc.
case $SCENARIO in journal | hold | logon_countdown) in_private_mounts "$0" "$@" ;; esac
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

LOG_FILE=$WORK/Log/DormixWatch.log
WATCH=dormix-lite-watch-fast
START=(" Start    , Initialise, Count:   2" " Enter    , Run       , Count:   0")
POWER_OFF=(" Enter    , Power Off , Count:   0" " Close    , Power Off , Count:  60")
EXIT_ENTRY="~ Exit     , Run       , Count: +[0-9]+"

# At the logon screen: a greeter on the screen, and a user's session on
# its way out, which is nobody.
start_logon_screen() {
  start_sessions_logind '{"CanPowerOff": "yes"}'
  PROGRAM_ENV=(DORMIX_WATCH_LOG_DIR="$WORK/Log")
  mock OpenSession c1 0 gdm seat0 greeter "{'Type': <'x11'>, 'Active': <true>}"
  mock OpenSession c2 1000 ann '' user "{'State': <'closing'>}"
}
start_watch() {
  start_program "$WATCH" "$@"
  wait_trace "dormix-lite-watch: logons 0"
}
# The mock's calls from the mark on.
mark_calls() { CALLS_MARK=$(wc -l <"$WORK/logind.calls"); }
calls_since_mark() { tail -n +$((${CALLS_MARK:-0} + 1)) "$WORK/logind.calls"; }
# Once after the start, at the end of the idle count, right before the request.
asked_three_times() {
  local n
  n=$(calls_since_mark | grep -c ' ListSessions$')
  [ "$n" = 3 ] || fail "ListSessions asked $n times"
}
no_power_off() {
  mock GetCalls  # answered once the mock has handled all it was sent
  grep -qE " (CanPowerOff|PowerOff)( |\$)" "$WORK/logind.calls" && fail "the power-off went ahead"
}
# The idle counts traced after the first log-off that follows a log-on.
counts_after_logoff() {
  awk '/: logons 1$/ {on = 1} on && /: logons 0$/ {off = 1} off && sub(/.*: count 1 /, "")' "$TRACE"
}

# Nobody logged on: the rehearsal's message, then the real cycle to the
# forced PowerOff; logind is asked about the sessions three times, not each
# tick. Without its log folder the watch says what to do and ends at once.
scenario_power_off() {
  start_logon_screen
  PROGRAM_ENV=(DORMIX_WATCH_LOG_DIR="$WORK/missing")
  start_program "$WATCH"
  wait_exit "$LAST_PID"
  [ $? = 1 ] || fail "exit code without the log folder"
  [ "$(grep -c . "$TRACE")" = 2 ] && traced "dormix-lite-watch: Dormix Lite Log Directory Error: .*" &&
    traced "dormix-lite-watch: there is no folder \"$WORK/missing\"; systemd makes it .*" ||
    fail "the missing folder was not reported once"
  PROGRAM_ENV=(DORMIX_WATCH_LOG_DIR="$WORK/Log")
  start_watch -InhibitShutdown
  wait_exit "$LAST_PID" 20 || fail "exit code of the rehearsal"
  traced "dormix-lite-watch: Dormix Lite Simulate Power Off: .*Power Off.*" ||
    fail "no rehearsal message on stderr"
  log_lines | tail -1 | grep -qx " Power Off, Simulate  , Count:   6" || fail "rehearsal's last entry"
  no_power_off
  rm "$LOG_FILE"
  mark_calls
  start_watch
  wait_exit "$LAST_PID" 60 || fail "exit code"
  expect_log "${FIRST_START[@]}" "${START[@]}" "${POWER_OFF[@]}"
  calls_since_mark | grep -q "CanPowerOff" || fail "CanPowerOff not asked"
  [ "$(calls_since_mark | grep -c 'PowerOff False')" = 1 ] || fail "not one forced PowerOff"
  asked_three_times
}

# A log-on during the idle count holds it at 0 while it lasts; the count
# starts again from the log-off, and runs its whole length to the request.
scenario_logon_idle() {
  start_logon_screen
  start_watch
  wait_trace "dormix-lite-watch: count 1 200"
  mock OpenSession c3 1001 bea seat0 user "{'Type': <'x11'>, 'Active': <true>}"
  wait_trace "dormix-lite-watch: logons 1"
  mark_trace
  wait_new "dormix-lite-watch: count 1 0"
  wait_new "dormix-lite-watch: count 1 0"
  mock CloseSession c3
  wait_exit "$LAST_PID" 60 || fail "exit code"
  counts_after_logoff >"$WORK/counts"
  # The tick that reaches 900 already counts down.
  [ "$(head -1 "$WORK/counts")" -le 1 ] && [ "$(tail -1 "$WORK/counts")" = 899 ] &&
    [ "$(wc -l <"$WORK/counts")" -ge 898 ] || fail "the count did not start again at the log-off"
  expect_log "${FIRST_START[@]}" "${START[@]}" "${POWER_OFF[@]}"
  [ "$(grep -c 'PowerOff False' "$WORK/logind.calls")" = 1 ] || fail "not one forced PowerOff"
}

# A log-on in the last minute (the closing session comes back just before
# the question right before the request): the countdown ends as a Cancel,
# nothing reaches logind's power-off, and the watch goes on. A SIGHUP on
# the way reads the settings again: a countdown changed since the start is
# the one that runs. Then a refusal.
scenario_logon_countdown() {
  use_private_conf
  start_logon_screen
  mock AtListing 3 c2 "{'State': <'active'>}"
  start_watch
  printf 'CountdownSeconds=30\n' >"$CONF/dormix-lite.conf"
  kill -HUP "$LAST_PID"
  wait_trace "dormix-lite-watch: reload"
  wait_for 60 sh -c "[ \$(grep -c 'Enter    , Run' '$LOG_FILE') = 2 ]" ||
    fail "not back to the idle count"
  traced "dormix-lite-watch: logons 1" || fail "the log-on was not counted"
  kill -TERM "$LAST_PID"
  wait_exit "$LAST_PID" || fail "exit code"
  no_power_off
  expect_log "${FIRST_START[@]}" "${START[@]}" " Enter    , Power Off , Count:   0" \
    " Reset    , Power Off , Count:  30" " Enter    , Run       , Count:   0" "$EXIT_ENTRY"
  # Gone again, and logind refuses the power-off: the report, status 1 for
  # the unit to start the watch again later.
  rm "$CONF/dormix-lite.conf"
  mock CloseSession c2
  mock AddMethod org.freedesktop.login1.Manager CanPowerOff '' s 'ret = "na"'
  start_watch
  wait_exit "$LAST_PID" 60
  [ $? = 1 ] || fail "exit code of a refused power-off"
  traced "dormix-lite-watch: Dormix Lite Error: A program error has occured Error Number: -2147219922 .*\[logind answers \"na\" to CanPowerOff\.\]" ||
    fail "no report of the refusal"
  [ "$(log_lines | tail -2)" = $' Close    , Power Off , Count:  60\n Refuse   , Power Off , Count:  60' ] ||
    fail "close and refuse entries"
  grep -qE " PowerOff( |\$)" "$WORK/logind.calls" && fail "powered off despite na"
  true
}

# logind falls silent: the question at the end of the idle count gets no
# answer, which is someone logged on; SIGTERM in the middle of that wait
# ends the watch within a second, with its "Exit" entry.
scenario_logind_silent() {
  start_logon_screen
  start_watch
  kill -STOP "$MOCK_PID"
  mark_trace
  wait_new "dormix-lite-watch: logons asking" 60
  local began=$(date +%s%N)
  kill -TERM "$LAST_PID"
  until ! kill -0 "$LAST_PID" 2>/dev/null || [ $(($(date +%s%N) - began)) -ge 1000000000 ]; do
    sleep 0.02
  done
  kill -0 "$LAST_PID" 2>/dev/null && fail "still running a second after SIGTERM"
  wait "$LAST_PID" || fail "exit code"
  traced "dormix-lite-watch: logons unknown: .*" || fail "the failed count was not unknown"
  kill -CONT "$MOCK_PID"
  no_power_off
  expect_log "${FIRST_START[@]}" "${START[@]}" " Wait     , Other User, Count: 900" "$EXIT_ENTRY"
}

# An update at the logon screen: its block lock holds the watch at the end
# of the idle count ("Wait, Held", the lock named on stderr); past the cap
# (2 minutes here) the watch says once, truthfully, that the computer stays
# on, and waits: no countdown, no exit, nothing reaches logind's power-off.
# A user's idle inhibitor is no business of the watch. Released, the
# countdown runs to the request at once.
scenario_hold() {
  use_private_conf
  printf 'HoldLimitSeconds=120\n' >"$CONF/dormix-lite.conf"
  start_logon_screen
  mock AddInhibitor idle Videos "Playing a film" block 1000 812
  mock AddInhibitor sleep:shutdown "Package Updater" Upgrading block 0 4242
  start_watch
  local lock='"Package Updater": Upgrading \(logind sleep/shutdown block inhibitor, PID 4242, user root\)'
  wait_trace "dormix-lite-watch: count 1 1500" "$TRACE" 60
  traced "dormix-lite-watch: Dormix Lite Holds: The computer is locked by $lock; the countdown waits until the lock is released\." ||
    fail "the update was not named"
  [ "$(count_traced "dormix-lite-watch: Dormix Lite Holds: The computer is still locked by $lock after 2 minutes; it stays on until the lock is released\.")" = 1 ] ||
    fail "not one truthful warning past the cap"
  traced ".*Videos.*" && fail "an idle inhibitor held the watch"
  traced "dormix-lite-watch: count 2 .*" && fail "a countdown despite the lock"
  kill -0 "$LAST_PID" 2>/dev/null || fail "the watch ended"
  no_power_off
  mock ReleaseInhibitor "Package Updater"
  wait_exit "$LAST_PID" 60 || fail "exit code"
  expect_log "${FIRST_START[@]}" "${START[@]}" " Wait     , Held      , Count: 900" \
    " Wait     , Locked    , Count:1020" "${POWER_OFF[@]}"
  [ "$(grep -c 'PowerOff False' "$WORK/logind.calls")" = 1 ] || fail "not one forced PowerOff"
}

# Each entry of the rehearsal also in the journal, under the watch's own
# identifier, with the program's event ids.
scenario_journal() {
  start_journal
  start_logon_screen
  start_watch -InhibitShutdown
  wait_exit "$LAST_PID" 20 || fail "exit code of the rehearsal"
  tr -d '\r' <"$LOG_FILE" | grep -E '^[0-9]{2}-.*Count:' >"$WORK/entries"
  journal_records dormix-lite-watch >"$WORK/journal.json"
  python3 - "$WORK/journal.json" "$WORK/entries" <<'PY' || fail "journal records"
import json, sys
records = [json.loads(line) for line in open(sys.argv[1])]
entries = open(sys.argv[2]).read().splitlines()
got = [(r["MESSAGE"], r["DORMIX_EVENT_ID"], r["DORMIX_INHIBIT_SHUTDOWN"]) for r in records]
want = list(zip(entries, ["1", "2", "4", "6"], ["1"] * 4))
if len(entries) != 4 or got != want:
    sys.exit(f"{got!r} != {want!r}")
PY
}

"scenario_$SCENARIO" || fail "scenario $SCENARIO"
echo "PASS: $SCENARIO"
