#!/usr/bin/env bash
# The power-off through a mock logind under Xvfb: the real run from a
# machine left at the logon screen, a refusal, and a logind that hangs.
# One scenario per call:
#   power.sh <build-folder> <scenario>
BUILD=$1
SCENARIO=$2
# The sleep scenario writes /etc/dormix-lite in a mount namespace of its own.
. "$(dirname "${BASH_SOURCE[0]}")/private-mounts.sh"
[[ $SCENARIO = sleep ]] && in_private_mounts "$0" "$@"
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
CLOSE_REFUSE=$' Close    , Power Off , Count:  60\n Refuse   , Power Off , Count:  60'

# Left at the logon screen: our session in the background, a greeter on
# the screen and an SSH login idle for an hour are nobody else, so the
# power-off goes ahead; logind is asked about them twice, not every tick.
scenario_power_off() {
  start_display
  start_sessions_logind '{"CanPowerOff": "yes"}'
  mock OpenSession c1 1000 ann seat0 user "{'Type': <'x11'>}"
  mock OpenSession c2 0 gdm seat0 greeter "{'Type': <'x11'>, 'Active': <true>}"
  mock OpenSession c3 1002 cem '' user "{'IdleAgo': <3600>}"
  # Woken from suspend mid-countdown (logind's PrepareForSleep(false)): the
  # countdown starts again from its full length, and nothing is logged.
  start_program DormixL-trace -InhibitShutdown
  wait_trace "Counter.caption=The Computer Will Power Off In 5s"
  mark_trace
  busctl --address="$DBUS_SYSTEM_BUS_ADDRESS" call org.freedesktop.login1 /org/freedesktop/login1 \
    org.freedesktop.DBus.Mock EmitSignal sssav org.freedesktop.login1.Manager PrepareForSleep b 1 \
    b false || fail "no PrepareForSleep"
  wait_new "Counter.caption=The Computer Will Power Off In 6s"
  wait_new "Counter.caption=The Computer Will Power Off In 5s"
  answer_box "Dormix Lite Simulate Power Off" 40
  wait_exit "$LAST_PID" || fail "exit code after a resume"
  [ "$(log_lines | grep -c 'Power Off')" = 2 ] || fail "a resume was logged"
  rm "$WORK/Log/DormixL.log"
  before=$(listings)
  start_program DormixL-fast
  wait_trace "Counter.caption=The Computer Will Power Off In 60s" "$TRACE" 60
  wait_exit "$LAST_PID" 20 || fail "exit code"
  expect_log "${FIRST_START[@]}" "$ENTRY_START" "$ENTRY_RUN" "$ENTRY_ENTER_OFF" \
    " Close    , Power Off , Count:  60"
  grep -q "CanPowerOff" "$WORK/logind.calls" || fail "CanPowerOff not asked"
  grep -qE "PowerOff False$" "$WORK/logind.calls" || { cat "$WORK/logind.calls" >&2; fail "no forced PowerOff"; }
  [ "$(grep -c 'PowerOff False' "$WORK/logind.calls")" = 1 ] || fail "PowerOff more than once"
  [ "$(($(listings) - before))" = 2 ] || fail "asked about other sessions $(($(listings) - before)) times"
}

scenario_power_refused() {
  start_display
  start_mock_logind '{"CanPowerOff": "na"}'
  start_program DormixL-fast
  answer_box "Dormix Lite Error" 60
  traced "message warning \[Dormix Lite Error\] A program error has occured \| Error Number: -2147219922 \| Error description: Can't enable shutdown: You do not have the privileges to shutdown this system. \[logind answers \"na\" to CanPowerOff.\]" ||
    fail "error report"
  wait_exit "$LAST_PID"
  [ $? = 1 ] || fail "exit code of a failure"
  grep -qE " PowerOff " "$WORK/logind.calls" && fail "powered off despite na"
  [ "$(log_lines | tail -2)" = "$CLOSE_REFUSE" ] || fail "close and refuse entries"

  # A lock taken in the last instant: logind itself refuses the request.
  # The program says so and goes back to the wait instead of ending; the
  # lock gone, the countdown comes back after its grace and the power-off
  # goes ahead.
  rm "$WORK/Log/DormixL.log"
  mock AddMethod org.freedesktop.login1.Manager CanPowerOff '' s 'ret = "yes"'
  dbus-send --bus="$DBUS_SYSTEM_BUS_ADDRESS" --print-reply --dest=org.freedesktop.login1 \
    /org/freedesktop/login1 org.freedesktop.DBus.Mock.AddMethod \
    string:org.freedesktop.login1.Manager string:PowerOff string:b string: \
    string:'self.refused = getattr(self, "refused", 0) + 1
if self.refused == 1: raise dbus.exceptions.DBusException("Operation inhibited by \"apt\"", name="org.freedesktop.login1.BlockedByInhibitorLock")' \
    >/dev/null || fail "refusing PowerOff not set"
  start_program DormixL-fast
  wait_exit "$LAST_PID" 60 || fail "exit code after the lock's refusal"
  traced "DormixL: Dormix Lite Holds: The power-off was refused \(Operation inhibited by \"apt\"\); the computer stays on, and the countdown starts again once the lock is released\." ||
    fail "the refusal by the lock was not told"
  traced "message .*" && fail "a report for a lock"
  expect_log "${FIRST_START[@]}" "$ENTRY_START" "$ENTRY_RUN" "$ENTRY_ENTER_OFF" \
    " Close    , Power Off , Count:  60" " Refuse   , Power Off , Count:  60" \
    " Wait     , Held      , Count: 900" "$ENTRY_ENTER_OFF" " Close    , Power Off , Count:  60"
  [ "$(grep -c 'PowerOff False' "$WORK/logind.calls")" = 2 ] || fail "not two PowerOff requests"
}

# A logind that hangs in the power-off request (the question about other
# sessions before it was answered): the request gives up after its few
# seconds and says so, once, and nothing reaches logind when it wakes. Then
# one that holds PowerOff past those seconds, as while polkit is slow: that
# answer is awaited, and the program ends as after any power-off, with no
# report.
scenario_power_hung() {
  start_display
  start_mock_logind '{"CanPowerOff": "yes"}'
  mock AddMethod org.freedesktop.login1.Manager CanPowerOff '' s \
    'import time; time.sleep(5); ret = "yes"'
  start_program DormixL-fast
  answer_box "Dormix Lite Error" 60
  traced "message warning \[Dormix Lite Error\] A program error has occured \| Error Number: -2147219920 \| Error description: ShutdownSystem timed out: logind did not answer CanPowerOff within 3 s\." ||
    fail "error report"
  wait_exit "$LAST_PID"
  [ $? = 1 ] || fail "exit code of a failure"
  [ "$(count_traced 'message .*')" = 1 ] || fail "more than one report"
  [ "$(log_lines | grep -c 'Close    , Power Off')" = 1 ] || fail "request repeated"
  [ "$(log_lines | tail -2)" = "$CLOSE_REFUSE" ] || fail "close and refuse entries"
  mock GetCalls  # answered once the mock has woken and handled all it was sent
  grep -qE " PowerOff " "$WORK/logind.calls" && fail "PowerOff reached logind late"

  mock AddMethod org.freedesktop.login1.Manager CanPowerOff '' s 'ret = "yes"'
  dbus-send --bus="$DBUS_SYSTEM_BUS_ADDRESS" --print-reply --dest=org.freedesktop.login1 \
    /org/freedesktop/login1 org.freedesktop.DBus.Mock.AddMethod \
    string:org.freedesktop.login1.Manager string:PowerOff string:b string: \
    string:$'import time\ntime.sleep(5)' >/dev/null || fail "slow PowerOff not set"
  start_program DormixL-fast
  wait_trace "Counter.caption=The Computer Will Power Off In 60s" "$TRACE" 60
  wait_exit "$LAST_PID" 40 || fail "exit code with a slow PowerOff"
  [ "$(count_traced 'message .*')" = 0 ] || fail "a report despite logind's answer"
  [ "$(grep -c 'PowerOff False' "$WORK/logind.calls")" = 1 ] || fail "PowerOff not sent once"
}

# Action=Sleep: the countdown names it, logind is asked CanSuspend, then
# Suspend(false); its PrepareForSleep(true), and (false) a moment later, as
# a machine that slept and woke sends them, bring the "Wake" entry, the
# window back in the tray and the cycle from its activation. Then
# Action=Hibernate where logind answers "na": the power-off in its place,
# with one warning in the journal that says why.
scenario_sleep() {
  start_journal
  use_private_conf
  printf 'Action=Sleep\n' >"$CONF/dormix-lite.conf"
  start_display
  start_mock_logind '{"CanSuspend": "yes", "CanHibernate": "na"}'
  dbus-send --bus="$DBUS_SYSTEM_BUS_ADDRESS" --print-reply --dest=org.freedesktop.login1 \
    /org/freedesktop/login1 org.freedesktop.DBus.Mock.AddMethod \
    string:org.freedesktop.login1.Manager string:Suspend string:b string: \
    string:'from gi.repository import GLib
manager = "org.freedesktop.login1.Manager"
self.EmitSignal(manager, "PrepareForSleep", "b", [True])
GLib.timeout_add(300, lambda s=self, m=manager: s.EmitSignal(m, "PrepareForSleep", "b", [False]))' \
    >/dev/null || fail "sleeping Suspend not set"
  start_program DormixL-fast
  wait_trace "Counter.caption=The Computer Will Sleep In 60s" "$TRACE" 60
  mark_trace
  traced "Title.caption=Sleep the computer if there is no input activity for over 900 sec" || fail "title"
  wait_for 20 grep -q " Wake     , Sleep     , Count:  60" "$LOG_FILE" || fail "no Wake entry"
  wait_new "window hidden"
  wait_new "Counter.caption=No key or mouse activity for the last 1s"
  kill -TERM "$LAST_PID"
  wait_exit "$LAST_PID" || fail "exit code after the wake-up"
  expect_log "${FIRST_START[@]}" "$ENTRY_START" "$ENTRY_RUN" " Enter    , Sleep     , Count:   0" \
    " Close    , Sleep     , Count:  60" " Wake     , Sleep     , Count:  60" "$ENTRY_RUN" \
    "~ Exit     , Run       , Count: +[0-9]+"
  grep -q "CanSuspend" "$WORK/logind.calls" || fail "CanSuspend not asked"
  [ "$(grep -c ' Suspend False$' "$WORK/logind.calls")" = 1 ] || fail "not one Suspend(false)"

  rm "$LOG_FILE"
  printf 'Action=Hibernate\n' >"$CONF/dormix-lite.conf"
  start_program DormixL-fast
  wait_exit "$LAST_PID" 60 || fail "exit code of the power-off in hibernation's place"
  expect_log "${FIRST_START[@]}" "$ENTRY_START" "$ENTRY_RUN" "$ENTRY_ENTER_OFF" \
    " Close    , Power Off , Count:  60"
  grep -qE " Hibernate " "$WORK/logind.calls" && fail "Hibernate asked of a machine without it"
  [ "$(grep -c 'PowerOff False' "$WORK/logind.calls")" = 1 ] || fail "not one PowerOff"
  journal_records | python3 -c '
import json, sys
got = [(r["DORMIX_EVENT_ID"], r["PRIORITY"], r["MESSAGE"]) for r in map(json.loads, sys.stdin)
       if r["DORMIX_EVENT_ID"] in ("15", "144")]
want = [("15", "6", got[0][2] if got else ""),
        ("144", "4", "Dormix Lite Action\nThe computer cannot hibernate (logind answers \"na\" to "
         "CanHibernate); the countdown ends in a power-off instead, so that it never stays on.")]
sys.exit(None if got == want else f"{got!r} != {want!r}")' || fail "journal: the wake-up and the warning"
}

"scenario_$SCENARIO" || fail "scenario $SCENARIO"
echo "PASS: $SCENARIO"
