#!/usr/bin/env bash
# The computer in use by others under Xvfb: other people's sessions in a
# logind of the test's making, a user switching in, and programs' holds.
# One scenario per call:
#   in_use.sh <build-folder> <scenario>
BUILD=$1
SCENARIO=$2
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# Two more questions: the second one asked wholly after what came before.
asked_twice_more() {
  local n
  n=$(listings)
  wait_for 30 sh -c "[ \$(grep -c ' ListSessions\$' '$WORK/logind.calls') -ge $((n + 2)) ]" ||
    fail "the program stopped asking"
}
ENTRY_WAIT=" Wait     , Other User, Count:   6"

# With -InhibitShutdown's short limits: B's desktop on the screen, then an
# SSH user typing, hold the countdown back; once both are idle it runs,
# and B coming back during it ends it as a Cancel. Then logind falls
# silent: after its few seconds that counts as someone, and the program
# goes on ticking and hears the end of the session.
scenario_other_sessions() {
  start_display
  start_tray
  start_sessions_logind '{}'
  mock OpenSession c1 1000 ann seat0 user "{'Type': <'x11'>}"
  mock OpenSession c2 1001 bea seat0 user "{'Type': <'wayland'>, 'Active': <true>}"
  mock OpenSession c3 0 gdm seat1 greeter "{'Type': <'x11'>, 'Active': <true>}"
  mock OpenSession c4 1002 cem '' user "{'Type': <'tty'>, 'Typing': <true>}"
  start_program DormixL-trace -InhibitShutdown
  wait_trace "other sessions in use: session c2 of user 1001 \(wayland\)"
  wait_trace "Counter.caption=No key or mouse activity for the last 8s"
  mock UpdateSession c2 "{'IdleHint': <true>}"
  asked_twice_more
  traced "other sessions in use: session c4 of user 1002 \(tty\)" || fail "SSH typing not seen"
  mock UpdateSession c4 "{'Typing': <false>, 'IdleAgo': <60>}"
  wait_trace "Counter.caption=The Computer Will Power Off In 5s"
  traced "other sessions nobody else: own session c1, 3 other sessions not in use" ||
    fail "no reason for the countdown"
  mock UpdateSession c2 "{'IdleHint': <false>}"
  wait_for 20 sh -c "grep -q 'Reset    , Power Off' '$WORK/Log/DormixL.log'" ||
    fail "the countdown did not end as a Cancel"
  traced "message .*" && fail "a message box at the end of the countdown"
  kill -STOP "$MOCK_PID"
  mark_trace
  wait_new "other sessions unknown: logind did not answer ListSessions within 1\.5 s\."
  wait_new "Counter.caption=No key or mouse activity for the last 8s"
  kill -TERM "$LAST_PID"
  wait_exit "$LAST_PID" || fail "exit code"
  expect_log "${FIRST_START[@]}" "$ENTRY_START" "$ENTRY_RUN" "$ENTRY_WAIT" "$ENTRY_ENTER_OFF" \
    " Reset    , Power Off , Count:   6" "$ENTRY_RUN" "$ENTRY_WAIT" \
    "~ Exit     , Run       , Count: +[0-9]+"
}

# The real run: with only a greeter on the screen the countdown goes ahead;
# B switches in during it (before the program's second question), so it
# ends as a Cancel and nothing reaches logind's power-off.
scenario_switch_in() {
  start_display
  start_tray
  start_sessions_logind '{"CanPowerOff": "yes"}'
  mock OpenSession c1 1000 ann seat0 user "{'Type': <'x11'>}"
  mock OpenSession c2 1001 bea seat0 user "{'Type': <'x11'>}"
  mock OpenSession c3 0 gdm seat0 greeter "{'Type': <'x11'>, 'Active': <true>}"
  mock AtListing 2 c2 "{'Active': <true>}"
  start_program DormixL-fast
  wait_trace "Counter.caption=The Computer Will Power Off In 60s" "$TRACE" 60
  wait_for 20 sh -c "grep -q 'Reset    , Power Off' '$WORK/Log/DormixL.log'" ||
    fail "the countdown did not end as a Cancel"
  traced "other sessions in use: session c2 of user 1001 \(x11\)" || fail "B not seen"
  wait_for 20 sh -c "[ \$(grep -c 'Enter    , Run' '$WORK/Log/DormixL.log') = 2 ]" ||
    fail "not back to monitoring"
  kill -TERM "$LAST_PID"
  wait_exit "$LAST_PID" || fail "exit code"
  grep -qE " (CanPowerOff|PowerOff)( |\$)" "$WORK/logind.calls" && fail "the power-off went ahead"
  expect_log "${FIRST_START[@]}" "$ENTRY_START" "$ENTRY_RUN" "$ENTRY_ENTER_OFF" \
    " Reset    , Power Off , Count:  60" "$ENTRY_RUN" "~ Exit     , Run       , Count: +[0-9]+"
}

# Programs' holds, with -InhibitShutdown's short limits: a film's idle
# inhibitor, taken before the limit, holds the countdown back ("Wait,
# Held", its holder named on stderr) while the label goes on counting idle
# time; released, the countdown starts at once. Then, kept past the
# rehearsal's 12-tick cap (the fast build), "Expire, Hold" and the
# countdown all the same, with a warning naming the holder still there.
scenario_holds() {
  start_display
  start_sessions_logind '{}'
  mock AddInhibitor idle Videos "Playing a film" block 0 812
  local holder='"Videos": Playing a film \(logind idle inhibitor, PID 812, user root\)'
  start_program DormixL-trace -InhibitShutdown
  wait_trace "Counter.caption=No key or mouse activity for the last 8s"
  traced "DormixL: Dormix Lite Holds: The computer is held in use by $holder; the countdown waits for it at most 12 seconds" ||
    fail "the holder was not named"
  mock ReleaseInhibitor Videos
  mark_trace
  wait_new "Counter.caption=The Computer Will Power Off In 6s"
  # A gap of up to 5 s is a playlist between two films: no countdown yet.
  [ "$(tail -n +$((TRACE_MARK + 1)) "$TRACE" | grep -c '^Counter.caption=No key')" -le 6 ] ||
    fail "the countdown did not start after the grace"
  answer_box "Dormix Lite Simulate Power Off" 30
  wait_exit "$LAST_PID" || fail "exit code"
  mock AddInhibitor idle Videos "Playing a film" block 0 812
  start_program DormixL-fast -InhibitShutdown
  answer_box "Dormix Lite Simulate Power Off" 30
  wait_exit "$LAST_PID" || fail "exit code past the cap"
  traced "DormixL: Dormix Lite Holds: The computer was held for 12 seconds by $holder; the countdown begins anyway\." ||
    fail "no warning when the cap ran out"
  local held=" Wait     , Held      , Count:   6"
  expect_log "${FIRST_START[@]}" "$ENTRY_START" "$ENTRY_RUN" "$held" "$ENTRY_ENTER_OFF" \
    " Power Off, Simulate  , Count:   6" "${BANNER[@]}" "$ENTRY_START" "$ENTRY_RUN" "$held" \
    " Expire   , Hold      , Count:  18" "$ENTRY_ENTER_OFF" " Power Off, Simulate  , Count:   6"
}

"scenario_$SCENARIO" || fail "scenario $SCENARIO"
echo "PASS: $SCENARIO"
