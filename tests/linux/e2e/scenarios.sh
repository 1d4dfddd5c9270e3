#!/usr/bin/env bash
# Whole runs of the Linux program under Xvfb, one scenario per call:
#   scenarios.sh <build-folder> <scenario>
# The test builds report captions and messages on stderr (the trace);
# windows and message boxes are found by title, buttons clicked with
# xdotool, and the log is compared line by line.
BUILD=$1
SCENARIO=$2
# The journal and settings scenarios run in a mount namespace of their own
# (a user namespace too when not root), where they may mount over the
# journald's folders and /etc/dormix-lite.
. "$(dirname "${BASH_SOURCE[0]}")/private-mounts.sh"
[[ $SCENARIO =~ ^(journal|settings)$ ]] && in_private_mounts "$0" "$@"
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

ENTRY_START=" Start    , Initialise, Count:   2"
ENTRY_RUN=" Enter    , Run       , Count:   0"
ENTRY_ENTER_OFF=" Enter    , Power Off , Count:   0"

# (a) -InhibitShutdown: the whole short cycle, the closing message, the end.
scenario_inhibit() {
  start_display
  start_program DormixL-trace -InhibitShutdown
  wait_trace "Counter.caption=No key or mouse activity for the last 3s"
  xdotool search --onlyvisible --name '^Dormix Lite$' >/dev/null &&
    fail "the window is out before the countdown"
  traced "Title.caption=Power Off the computer if there is no input activity for over 6 sec" ||
    fail "title"
  local box
  box=$(wait_window "Dormix Lite Simulate Power Off" 30)
  wait_window "Dormix Lite" >/dev/null
  traced "message plain \[Dormix Lite Simulate Power Off\] Test Real Power Off" || fail "box text"
  local expected=("Program Activation In 2s" "Program Activation In 1s" "Program Activation In 0s")
  for i in 1 2 3 4 5 6; do expected+=("No key or mouse activity for the last ${i}s"); done
  for i in 6 5 4 3 2 1 0; do expected+=("The Computer Will Power Off In ${i}s"); done
  [ "$(counter_captions)" = "$(printf '%s\n' "${expected[@]}")" ] ||
    { counter_captions >&2; fail "counter texts"; }
  kill -0 "$LAST_PID" || fail "ended before the box was answered"
  xdotool windowfocus --sync "$box" key Return
  wait_exit "$LAST_PID" || fail "exit code"
  expect_log "${FIRST_START[@]}" "$ENTRY_START" "$ENTRY_RUN" "$ENTRY_ENTER_OFF" \
    " Power Off, Simulate  , Count:   6"
}

# The system log: the whole cycle above and a log failure reach a journald
# of the test's own, entry for entry as in the text log, with our fields.
scenario_journal() {
  start_journal
  scenario_inhibit
  tr -d '\r' <"$WORK/Log/DormixL.log" | grep -E '^[0-9]{2}-.{3}-[0-9]{2} .*Count:' >"$WORK/entries"
  start_program DormixL-trace -InhibitShutdown
  wait_for 20 sh -c "[ \$(grep -c 'Enter    , Run' '$WORK/Log/DormixL.log') = 2 ]" ||
    fail "no second Enter Run entry"
  tr -d '\r' <"$WORK/Log/DormixL.log" | tail -n 2 >>"$WORK/entries"
  rm "$WORK/Log/DormixL.log"
  answer_box "Dormix Lite Log File Error"
  wait_exit "$LAST_PID"
  journal_records >"$WORK/journal.json"
  python3 - "$WORK/journal.json" "$WORK/entries" "$(id -u)" <<'PY' || fail "journal records"
import json, sys
records = [json.loads(line) for line in open(sys.argv[1])]
entries = open(sys.argv[2]).read().splitlines()
def check(what, got, want):
    if got != want:
        sys.exit(f"{what}: {got!r} != {want!r}")
# The entry the removed file refused reaches the journal, before the failure.
check("count", len(records), len(entries) + 2)
for rec, line in zip(records, entries):
    check("MESSAGE", rec["MESSAGE"], line)
    check("priority", rec["PRIORITY"], "6")
    check("uid", rec["_UID"], sys.argv[3])
    check("version", rec["DORMIX_VERSION"], "2.1.0.8")
    check("modes", (rec["DORMIX_TEST_MODE"], rec["DORMIX_INHIBIT_SHUTDOWN"]), ("0", "1"))
    check("words", (rec["DORMIX_ACTION"], rec["DORMIX_DETAIL"], rec["DORMIX_COUNT"]),
          tuple(w.strip() for w in line[20:].replace(", Count:", ",").split(",")))
check("kinds", [(r["DORMIX_EVENT_ID"], r["DORMIX_PHASE"]) for r in records[:-1]],
      [("1", "Activation"), ("2", "Monitoring"), ("4", "Countdown"), ("6", "Countdown"),
       ("1", "Activation"), ("2", "Monitoring"), ("4", "Countdown")])
failure = records[-1]
check("failure", (failure["PRIORITY"], failure["DORMIX_EVENT_ID"], failure["DORMIX_TITLE"]),
      ("4", "102", "Dormix Lite Log File Error"))
check("failure text", failure["MESSAGE"],
      "Dormix Lite Log File Error\nThe log file is either missing or\ncorrupted. Delete the log "
      "file if\nit exists and restart the program\nThe program will now terminate")
PY
  # At the session's end (a signal) a log failure opens no box that would
  # hold the log-off up: the journal gets it, and the program ends at once.
  start_program DormixL-trace
  wait_trace "Counter.caption=No key or mouse activity for the last 1s"
  rm "$WORK/Log/DormixL.log"
  kill -TERM "$LAST_PID"
  wait_exit "$LAST_PID" 5
  [ $? = 1 ] || fail "exit status of a failed end"
  traced "message .*" && fail "a box at the session's end"
  # A refused start, mirrored with an id of its own.
  rm -f "$WORK/run/Dormix" && mkdir "$WORK/run/Dormix" || fail "no folder in the marker's place"
  start_program DormixL-trace
  answer_box "Dormix Lite Start Up Error"
  wait_exit "$LAST_PID"
  rmdir "$WORK/run/Dormix"
  [ "$(journal_records | python3 -c '
import json, sys
for r in [json.loads(l) for l in sys.stdin if "DORMIX_TITLE" in l][-2:]:
    print(r["DORMIX_EVENT_ID"], r["PRIORITY"], r["DORMIX_TITLE"])')" = \
    "102 4 Dormix Lite Log File Error
121 4 Dormix Lite Start Up Error" ] || fail "session-end failure and refusal in the journal"

  # A file system without locks: the log is begun whole and written
  # unlocked, with one warning on stderr and one in the journal.
  rm -f "$WORK/Log/DormixL.log"
  PROGRAM_ENV=(LD_PRELOAD="$BUILD/libfault_shim.so" DORMIX_SHIM_NO_LOCK=1)
  start_program DormixL-trace -InhibitShutdown
  answer_box "Dormix Lite Simulate Power Off" 40
  wait_exit "$LAST_PID" || fail "exit code without locks"
  PROGRAM_ENV=()
  [ "$(log_lines | sed -n 3p)" = "File Created" ] || fail "no header without locks"
  log_lines | tail -n 1 | grep -qx " Power Off, Simulate  , Count:   6" || fail "cycle without locks"
  [ "$(grep -c "cannot lock files (No locks available): entries are written without" "$TRACE")" = 1 ] ||
    fail "not one warning on stderr"
  [ "$(journal_records | grep -c '"DORMIX_EVENT_ID":"105"')" = 1 ] || fail "not one warning in the journal"
  # A journald that reads nothing holds nothing up: the same cycle, in time.
  hang_journal
  rm -f "$WORK/Log/DormixL.log"
  start_program DormixL-trace -InhibitShutdown
  answer_box "Dormix Lite Simulate Power Off" 40
  wait_exit "$LAST_PID" || fail "exit code with a hung journal"
  [ "$(counter_captions | grep -c 'Power Off In')" = 7 ] || fail "countdown with a hung journal"
  log_lines | tail -n 1 | grep -qx " Power Off, Simulate  , Count:   6" ||
    fail "the text log did not get the whole cycle"
}

# An administrator's settings: a file and two drop-ins, one of them writable
# by others and so passed over with a warning. The normal cycle runs with
# the configured numbers, to the power-off; the journal gets the warning
# and the settings in force; the text log nothing more than before.
scenario_settings() {
  start_journal
  use_private_conf
  printf '# the room\nIdleLimitSeconds = 60\nCountdownSeconds=30\nHoldLimitSeconds=1800\n' >"$CONF/dormix-lite.conf"
  printf 'CountdownSeconds=10\n' >"$CONF/conf.d/50-room.conf"
  printf 'IdleLimitSeconds=9999\n' >"$CONF/conf.d/90-open.conf"
  chmod 666 "$CONF/conf.d/90-open.conf"
  local warning="$CONF/conf.d/90-open.conf: writable by others; ignored."
  local in_force="IdleLimitSeconds=60 ($CONF/dormix-lite.conf, line 2)
CountdownSeconds=10 ($CONF/conf.d/50-room.conf, line 1)
HoldLimitSeconds=1800 ($CONF/dormix-lite.conf, line 4)"
  "$BUILD/DormixL" --settings >"$WORK/settings" 2>"$WORK/settings.err" || fail "--settings status"
  [ "$(cat "$WORK/settings")" = "$in_force" ] || fail "--settings printed: $(cat "$WORK/settings")"
  [ "$(cat "$WORK/settings.err")" = "DormixL: $warning" ] || fail "--settings warned: $(cat "$WORK/settings.err")"

  start_display
  start_mock_logind '{"CanPowerOff": "yes"}'
  start_program DormixL-fast
  wait_exit "$LAST_PID" 30 || fail "exit code"
  traced "DormixL: $warning" || fail "no warning on stderr"
  traced "Title.caption=Power Off the computer if there is no input activity for over 60 sec" ||
    fail "title"
  local expected=("Program Activation In 2s" "Program Activation In 1s" "Program Activation In 0s")
  for i in $(seq 1 60); do expected+=("No key or mouse activity for the last ${i}s"); done
  for i in $(seq 10 -1 0); do expected+=("The Computer Will Power Off In ${i}s"); done
  [ "$(counter_captions)" = "$(printf '%s\n' "${expected[@]}")" ] ||
    { counter_captions >&2; fail "counter texts"; }
  expect_log "${FIRST_START[@]}" "$ENTRY_START" "$ENTRY_RUN" "$ENTRY_ENTER_OFF" \
    " Close    , Power Off , Count:  10"
  grep -qE "PowerOff False$" "$WORK/logind.calls" || fail "no forced PowerOff"
  journal_records >"$WORK/journal.json"
  python3 - "$WORK/journal.json" "$warning" "$in_force" <<'PY' || fail "journal records"
import json, sys
records = [json.loads(line) for line in open(sys.argv[1])]
got = [(r["DORMIX_EVENT_ID"], r["PRIORITY"], r["MESSAGE"]) for r in records[:3]]
want = [("130", "4", "Dormix Lite Settings\n" + sys.argv[2]),
        ("131", "6", "Dormix Lite Settings\n" + sys.argv[3]), ("1", "6", got[2][2])]
if got != want:
    sys.exit(f"{got!r} != {want!r}")
PY
}

# SIGINT and SIGHUP end in order like SIGTERM; a notice copy just goes.
scenario_signals() {
  start_display
  local signal
  for signal in INT HUP; do
    start_program DormixL-trace
    wait_trace "Counter.caption=No key or mouse activity for the last 1s"
    kill -"$signal" "$LAST_PID"
    wait_exit "$LAST_PID" || fail "exit code after SIG$signal"
    traced "tray delete" || fail "icon not removed on SIG$signal"
  done
  start_program DormixL-trace
  local first=$LAST_PID
  wait_trace "Counter.caption=Program Activation In 1s"
  start_program DormixL-trace
  wait_window "Dormix Lite Start Up Error" >/dev/null
  kill -TERM "$LAST_PID"
  wait_exit "$LAST_PID" || fail "notice copy exit code"
  kill -TERM "$first"
  wait_exit "$first"
  # stderr a pipe whose reader has gone: the trace's writes fail, nothing more.
  local runs
  runs=$(grep -c "Enter    , Run" "$WORK/Log/DormixL.log")
  (cd "$WORK" && exec "$BUILD/DormixL-trace") 2> >(exec true) >/dev/null &
  LAST_PID=$!
  PIDS+=($LAST_PID)
  wait_for 20 sh -c "[ \$(grep -c 'Enter    , Run' '$WORK/Log/DormixL.log') -gt $runs ]" ||
    fail "died on a closed stderr"
  kill -TERM "$LAST_PID"
  wait_exit "$LAST_PID" || fail "exit code with a closed stderr"
  expect_log "${FIRST_START[@]}" "$ENTRY_START" "$ENTRY_RUN" " Exit     , Run       , Count:   1" \
    "${BANNER[@]}" "$ENTRY_START" "$ENTRY_RUN" " Exit     , Run       , Count:   1" \
    "${BANNER[@]}" "$ENTRY_START" " Exit     , Initialise, Count:   1" \
    "${BANNER[@]}" "$ENTRY_START" "$ENTRY_RUN" "~ Exit     , Run       , Count:   [0-9]"

  # Under a box after which the program ends, a signal ends it at once,
  # writing nothing and opening no other box: the end of a simulated
  # countdown, and a log failure (twice signalled).
  start_program DormixL-fast -InhibitShutdown
  wait_window "Dormix Lite Simulate Power Off" 30 >/dev/null
  kill -TERM "$LAST_PID"
  wait_exit "$LAST_PID" 2 || fail "exit code under the closing box"
  tr -d '\r' <"$WORK/Log/DormixL.log" | tail -1 | grep -q "  Power Off, Simulate  , Count:   6$" ||
    fail "an entry after the closing box: $(tail -1 "$WORK/Log/DormixL.log")"
  start_program DormixL-fast -InhibitShutdown
  wait_trace "Counter.caption=No key or mouse activity for the last 1s"
  rm "$WORK/Log/DormixL.log"
  wait_window "Dormix Lite Log File Error" >/dev/null
  kill -TERM "$LAST_PID"
  kill -HUP "$LAST_PID"
  wait_exit "$LAST_PID" 2
  [ $? = 1 ] || fail "exit code under the failure box"
  [ "$(count_traced 'message .*')" = 1 ] || fail "a second box"
  [ -e "$WORK/Log/DormixL.log" ] && fail "the log was written under the failure box"

  # No descriptor left for the signal pipe: a timer watches instead. How
  # many descriptors Qt takes varies, so the limit comes down until the
  # pipe is what fails.
  printf 'Dormix Lite\r\nVersion 2.1\r\nFile Created\r\n01-Dec-26 08:00:00\r\n' >"$WORK/Log/DormixL.log"
  local limit
  for limit in 14 13 12 11 10 9; do
    N=$((N + 1))
    TRACE=$WORK/trace$N
    (cd "$WORK" && for fd in $(ls /proc/$BASHPID/fd); do [ "$fd" -gt 2 ] && eval "exec $fd>&-"; done
     ulimit -Sn $limit && exec "$BUILD/DormixL-trace") 2>"$TRACE" >/dev/null &
    LAST_PID=$!
    PIDS+=($LAST_PID)
    wait_for 20 sh -c "grep -qE '^(Counter.caption=Program Activation In 1s|message .*)\$' '$TRACE' ||
                       ! kill -0 $LAST_PID" || fail "stuck with $limit descriptors"
    traced "Counter.caption=Program Activation In 1s" && traced "signals watched by a timer" && break
    kill -KILL "$LAST_PID"
    wait "$LAST_PID" 2>/dev/null
  done
  traced "signals watched by a timer" || fail "no limit left the program running without a pipe"
  # The journal's socket may have taken the last descriptor since, and the
  # Exit entry needs one to open the log: give the timer's end that much.
  prlimit --pid "$LAST_PID" --nofile=64: || fail "prlimit"
  kill -TERM "$LAST_PID"
  wait_exit "$LAST_PID" || fail "exit code without a signal pipe"
  tr -d '\r' <"$WORK/Log/DormixL.log" | tail -1 | grep -q "  Exit     , Initialise, Count:   1$" ||
    fail "no exit entry without a signal pipe"
}

# (b) The pointer during monitoring restarts the count; during the
# countdown it changes nothing.
scenario_pointer() {
  start_display
  start_program DormixL-trace -InhibitShutdown
  wait_trace "Counter.caption=No key or mouse activity for the last 2s"
  mark_trace
  xdotool mousemove 500 400
  wait_new "Counter.caption=No key or mouse activity for the last 0s"
  traced_new "CPULoad.caption=M" || fail "no M mark for a pointer move"
  wait_trace "Counter.caption=The Computer Will Power Off In 5s" "$TRACE" 30
  mark_trace
  xdotool mousemove 200 100 key shift
  wait_new "Counter.caption=The Computer Will Power Off In 2s"
  traced_new "Counter.caption=.*(Activation|activity).*" && fail "input stopped the countdown"
  answer_box "Dormix Lite Simulate Power Off"
  wait_exit "$LAST_PID" || fail "exit code"
  expect_log "${FIRST_START[@]}" "$ENTRY_START" "$ENTRY_RUN" "$ENTRY_ENTER_OFF" \
    " Power Off, Simulate  , Count:   6"
}

# A key tapped and released between two samples still counts (XInput2 raw
# events), and shows as K, also while another client holds a grab. On a
# French desktop: the log's month is the locale's ("déc.", a longer stamp),
# the rest of each line unchanged.
scenario_key_tap() {
  start_display
  use_locale fr_FR
  start_program DormixL-trace -InhibitShutdown
  wait_trace "Counter.caption=No key or mouse activity for the last 2s"
  mark_trace
  xdotool key --delay 0 a
  wait_new "Counter.caption=No key or mouse activity for the last 0s"
  traced_new "CPULoad.caption=K" || fail "no K mark for a tapped key"
  wait_new "Counter.caption=No key or mouse activity for the last 2s"
  mark_trace
  xdotool click 3  # the right button counts as a key too
  wait_new "Counter.caption=No key or mouse activity for the last 0s"
  traced_new "CPULoad.caption=K" || fail "a click is not K"
  # The same while another client grabs the keyboard and the pointer (a VM
  # viewer, an open menu, a drag).
  "$BUILD/x11_grab" >"$WORK/grab.out" 2>&1 &
  PIDS+=($!)
  wait_for 10 grep -q grabbed "$WORK/grab.out" || fail "no grab"
  local action
  for action in "key --delay 0 a" "click 1"; do
    wait_new "Counter.caption=No key or mouse activity for the last 2s"
    mark_trace
    xdotool $action
    wait_new "Counter.caption=No key or mouse activity for the last 0s" 5 ||
      fail "$action during a grab not seen"
  done
  # Held, the key stays in the keymap every sample under the same code the
  # press came with: one K, then the count runs on.
  wait_new "Counter.caption=No key or mouse activity for the last 2s"
  mark_trace
  xdotool keydown a
  wait_new "Counter.caption=No key or mouse activity for the last 0s"
  wait_new "Counter.caption=No key or mouse activity for the last 2s"
  xdotool keyup a
  [ "$(tail -n +$((TRACE_MARK + 1)) "$TRACE" | grep -c "^CPULoad.caption=K$")" = 1 ] ||
    fail "a held key counted more than once"
  kill -TERM "$LAST_PID"
  wait_exit "$LAST_PID"
  expect_log "${FIRST_START[@]}" "$ENTRY_START" "$ENTRY_RUN" "~ Exit     , Run       , Count:   [0-9]"
}

# (c) The Test button: caption, title, the short test's box, back to normal.
scenario_test_button() {
  start_display
  start_tray
  start_program DormixL-trace
  wait_trace "Counter.caption=No key or mouse activity for the last 1s"
  wait_for 10 tray_icon_present || fail "no tray icon"
  local main button
  for button in 1 3 2; do  # a left, a right and a middle click do nothing
    mark_trace
    click_tray 1 $button
    wait_new "Counter.caption=.*"
    xdotool search --onlyvisible --name '^Dormix Lite$' >/dev/null && fail "a single click opened it"
  done
  double_click_tray
  main=$(wait_window "Dormix Lite")
  click_button "$main" TestS
  wait_for 5 sh -c "[ \"\$(xdotool getwindowname $main)\" = 'Dormix Lite - Test Mode' ]" ||
    fail "caption is not the test mode's"
  wait_trace "Title.caption=Power Off the computer if there is no input activity for over 5 sec"
  mark_trace
  answer_box "Dormix Lite Test" 20
  traced "message plain \[Dormix Lite Test\] Test Power Off" || fail "test box text"
  wait_for 5 sh -c "[ \"\$(xdotool getwindowname $main)\" = 'Dormix Lite' ]" || fail "caption back"
  wait_new "Title.caption=Power Off the computer if there is no input activity for over 900 sec"
  mark_trace
  wait_new "Counter.caption=No key or mouse activity for the last 1s"
  click_button "$main" Exit
  wait_exit "$LAST_PID" || fail "exit code"
  tray_icon_present && fail "icon left in the tray"
  expect_log "${FIRST_START[@]}" "$ENTRY_START" "$ENTRY_RUN" "*Enter    , Test      , Count:   2" \
    "*Enter    , Run       , Count:   0" "*Simulate , Power Off , Count:   0" "$ENTRY_RUN" \
    "~ Exit     , Run       , Count:   [0-9]"
}

# (d) Cancel during the countdown: the steps taken, back to the tray.
scenario_cancel() {
  start_display
  start_tray
  start_program DormixL-trace -InhibitShutdown
  wait_trace "Counter.caption=The Computer Will Power Off In 4s" "$TRACE" 30
  local main
  main=$(wait_window "Dormix Lite")
  tray_icon_present && fail "icon still in the tray during the countdown"
  mark_trace
  click_button "$main" Reset
  wait_new "Reset.caption=Reset"
  wait_for 5 sh -c "! xdotool search --onlyvisible --name '^Dormix Lite\$' >/dev/null" ||
    fail "window not back in the tray"
  wait_for 10 tray_icon_present || fail "icon not back"
  wait_new "Counter.caption=No key or mouse activity for the last 2s"
  kill -TERM "$LAST_PID"  # the desktop's end: the orderly exit
  wait_exit "$LAST_PID" || fail "exit code"
  expect_log "${FIRST_START[@]}" "$ENTRY_START" "$ENTRY_RUN" "$ENTRY_ENTER_OFF" \
    " Reset    , Power Off , Count:   3" "$ENTRY_RUN" " Exit     , Run       , Count:   2"
}

# (e) A second copy shows the notice and the first runs on; -AllowMulti runs.
scenario_second_copy() {
  start_display
  start_program DormixL-trace
  local first=$LAST_PID first_trace=$TRACE
  wait_trace "Counter.caption=Program Activation In 1s"
  start_program DormixL-trace
  local second=$LAST_PID notice
  notice=$(wait_window "Dormix Lite Start Up Error")
  traced "ErrorMess.caption=Dormix or Dormix Lite is already \| running, Only one instance can \| be running at a time" ||
    fail "notice text"
  click_button "$notice" NoticeOk
  wait_exit "$second" || fail "notice copy exit code"
  start_program DormixL-trace
  notice=$(wait_window "Dormix Lite Start Up Error")
  close_window "$notice"
  wait_exit "$LAST_PID" || fail "notice closed by its close box"
  kill -0 "$first" || fail "the first copy ended"
  wait_trace "Counter.caption=No key or mouse activity for the last 1s" "$first_trace" ||
    fail "the first copy stopped counting"
  start_program DormixL-trace -AllowMulti
  local third=$LAST_PID
  wait_trace "Counter.caption=Program Activation In 1s"
  window_id "Dormix Lite Start Up Error" | grep -q . && fail "notice despite -AllowMulti"
  kill -TERM "$third" "$first"
  wait_exit "$third"
  wait_exit "$first"
  local lines
  lines=$(log_lines)
  [ "$(grep -c '^ Start    , Initialise' <<<"$lines")" = 2 ] || fail "notice copies logged"
  [ "$(grep -c '^ Exit     ,' <<<"$lines")" = 2 ] || fail "exits"
}

# (f) No Log folder: the message, nothing created. The file deleted while
# running: the missing-file message at the next entry.
scenario_log_missing() {
  start_display
  rmdir "$WORK/Log"
  start_program DormixL-trace
  answer_box "Dormix Lite Log Directory Error"
  traced "message warning \[Dormix Lite Log Directory Error\] The log directory does not exist \| Reinstall the program to restore the \| log directory. \| The program will now terminate." ||
    fail "directory message"
  wait_exit "$LAST_PID"
  [ $? = 1 ] || fail "exit code of a failure"
  traced "DormixL: there is no folder \"$WORK/Log\"; start the program with dormix-lite, which makes it, or create it in the working folder \(mkdir Log\)\." ||
    fail "no remedy on stderr"
  [ -e "$WORK/Log" ] && fail "the program created the Log folder"
  mkdir "$WORK/Log"
  start_program DormixL-trace -InhibitShutdown
  wait_for 20 grep -q "Enter    , Run" "$WORK/Log/DormixL.log" || fail "no Enter Run entry"
  rm "$WORK/Log/DormixL.log"  # the countdown's entry is the next write
  answer_box "Dormix Lite Log File Error"
  traced "message warning \[Dormix Lite Log File Error\] The log file is either missing or \| corrupted. Delete the log file if \| it exists and restart the program \| The program will now terminate" ||
    fail "missing-file message"
  wait_exit "$LAST_PID"
  [ $? = 1 ] || fail "exit code of a failure"
  [ -e "$WORK/Log/DormixL.log" ] && fail "the file was created again"
  # An empty file is a log whose creator never wrote the header: corrupted.
  : >"$WORK/Log/DormixL.log"
  start_program DormixL-trace
  answer_box "Dormix Lite Log File Error"
  traced "message warning \[Dormix Lite Log File Error\] The log file is either missing or \| .*" ||
    fail "empty-file message"
  wait_exit "$LAST_PID"
  [ $? = 1 ] || fail "exit code of a failure"
  [ -s "$WORK/Log/DormixL.log" ] && fail "written to a file without its header"
  return 0
}

# (g) Exit button and close box in each phase write Exit with its word.
scenario_exit_phases() {
  start_display
  start_tray
  local main
  # Activation: Reset (in monitoring) restarts it, Exit ends it.
  start_program DormixL-trace
  wait_trace "Counter.caption=No key or mouse activity for the last 1s"
  wait_for 10 tray_icon_present || fail "no tray icon"
  double_click_tray
  main=$(wait_window "Dormix Lite")
  click_button "$main" Reset
  click_button "$main" Exit
  wait_exit "$LAST_PID" || fail "exit code"
  tray_icon_present && fail "icon left behind"
  # Monitoring: the close box, after the tray host has gone and come back
  # (a panel restarted): the icon is docked in the new one.
  start_program DormixL-trace
  wait_trace "Counter.caption=No key or mouse activity for the last 1s"
  wait_for 10 tray_icon_present || fail "no tray icon"
  kill "$TRAY_PID"
  wait "$TRAY_PID"
  start_tray
  wait_for 20 tray_icon_present || fail "no icon in the tray host that came back"
  double_click_tray
  main=$(wait_window "Dormix Lite")
  close_window "$main"
  wait_exit "$LAST_PID" || fail "exit code"
  # Countdown: the close box (Exit is disabled there).
  start_program DormixL-trace -InhibitShutdown
  wait_trace "Counter.caption=The Computer Will Power Off In 6s" "$TRACE" 30
  traced "Exit.enabled=0" || fail "Exit enabled during the countdown"
  main=$(wait_window "Dormix Lite")
  close_window "$main"
  wait_exit "$LAST_PID" || fail "exit code"
  tray_icon_present && fail "icon left behind"
  expect_log "${FIRST_START[@]}" "$ENTRY_START" "$ENTRY_RUN" "~ Reset    , Run       , Count:   [0-9]" \
    " Exit     , Initialise, Count:   2" \
    "${BANNER[@]}" "$ENTRY_START" "$ENTRY_RUN" "~ Exit     , Run       , Count:   [0-9]" \
    "${BANNER[@]}" "$ENTRY_START" "$ENTRY_RUN" "$ENTRY_ENTER_OFF" " Exit     , Shutdown  , Count:   1"
}

# (h) About: modal, counts down from 4, closes itself, the cycle resumes;
# the link's failure message; the Close button.
scenario_about() {
  start_display
  start_tray
  # No browser anywhere on PATH (where /bin is /usr/bin, it may hold one):
  # opening the page fails.
  PATH=$WORK/no-programs start_program DormixL-trace -InhibitShutdown
  wait_for 10 tray_icon_present || fail "no tray icon"
  double_click_tray
  local main about
  main=$(wait_window "Dormix Lite")
  until_traced "about shown" click_button "$main" About
  about=$(wait_window "About Dormix Lite")
  wait_trace "about closed" "$TRACE" 15
  mark_trace
  wait_new "Counter.caption=.*" 5  # the cycle resumes
  local during
  during=$(sed -n '/^about shown$/,/^about closed$/p' "$TRACE")
  [ "$(grep '^TMessage.caption=' <<<"$during")" = "$(printf 'TMessage.caption=About will close in %s sec\n' 4 3 2 1)" ] ||
    fail "About countdown"
  grep -q '^Counter.caption=' <<<"$during" && fail "the cycle ran while About was open"
  wait_for 5 sh -c "! xdotool search --onlyvisible --name '^About Dormix Lite\$' >/dev/null" ||
    fail "About still shown"
  # Again, with the link and the Close button.
  until_traced "about shown" click_button "$main" About
  about=$(wait_window "About Dormix Lite")
  click_button "$about" WebSite
  answer_box "Dormix Lite Error"
  traced "message plain \[Dormix Lite Error\] Unable to launch Browser." || fail "launch failure"
  traced "WebSite.fore=#FF8000" || fail "link not orange"
  click_button "$about" ExitAbout
  wait_trace "about closed" "$TRACE"
  [ "$(count_traced 'about closed')" = 2 ] || fail "About not closed by its button"
  kill -TERM "$LAST_PID"
  wait_exit "$LAST_PID"
}

# The keyboard alone, in every window: Enter presses the focused button and
# only that one, Escape does nothing; closing About gives the keyboard back
# to the main window; the countdown passes the focus from the buttons it
# disables to Cancel.
focused() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }
wait_focus() { wait_for 10 focused "$1" || fail "no keyboard focus on: $2"; }
caption_is() { [ "$(xdotool getwindowname "$1")" = "$2" ]; }
scenario_keyboard() {
  start_display
  start_tray
  start_program DormixL-trace
  wait_for 10 tray_icon_present || fail "no tray icon"
  double_click_tray
  local main about
  main=$(wait_window "Dormix Lite")
  wait_focus "$main" "the window opened from the tray"
  xdotool key Escape Return  # Test has the focus
  wait_for 5 caption_is "$main" "Dormix Lite - Test Mode" || fail "Enter did not press Test"
  xdotool key Tab Return  # Reset, and only Reset
  wait_for 5 caption_is "$main" "Dormix Lite" || fail "Enter did not press Reset"
  xdotool key Tab Return  # About
  about=$(wait_window "About Dormix Lite")
  wait_focus "$about" "About"
  xdotool key Escape Return  # its Close button
  wait_trace "about closed"
  wait_focus "$main" "the main window after About"
  xdotool key Return  # About again: the focus stayed on its button
  wait_for 10 sh -c "[ \$(grep -c '^about shown\$' '$TRACE') = 2 ]" || fail "Enter after About"
  about=$(wait_window "About Dormix Lite")
  wait_focus "$about" "About, opened again"
  xdotool key Return
  wait_for 10 sh -c "[ \$(grep -c '^about closed\$' '$TRACE') = 2 ]" || fail "Enter in About"
  wait_focus "$main" "the main window after About"
  # The notice of a second copy: Enter presses its OK.
  local first=$LAST_PID notice
  start_program DormixL-trace
  notice=$(wait_window "Dormix Lite Start Up Error")
  xdotool windowfocus --sync "$notice" key Escape Return
  wait_exit "$LAST_PID" || fail "Enter in the notice"
  kill -TERM "$first"
  wait_exit "$first"
  [ "$(log_lines | grep -E '^[ *](Enter    , Test|Reset)' | cut -c1-22)" = \
    "$(printf '%s\n' '*Enter    , Test      ' '*Reset    , Activate  ')" ] || fail "Test, then Reset"
  # The countdown disables Test, which has the focus: Enter presses Cancel.
  start_program DormixL-trace -InhibitShutdown
  wait_for 10 tray_icon_present || fail "no tray icon"
  double_click_tray
  main=$(wait_window "Dormix Lite")
  wait_focus "$main" "the window opened from the tray"
  wait_trace "Counter.caption=The Computer Will Power Off In 5s" "$TRACE" 30
  xdotool key Return
  wait_trace "Reset.caption=Reset"
  log_lines | grep -qx " Reset    , Power Off , Count:   [1-6]" || fail "Enter did not press Cancel"
  kill -TERM "$LAST_PID"
  wait_exit "$LAST_PID"
}

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
  log_lines | tail -1 | grep -qx " Close    , Power Off , Count:  60" || fail "close entry"
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
  log_lines | tail -1 | grep -qx " Close    , Power Off , Count:  60" || fail "close entry"
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
  [ "$(tail -n +$((TRACE_MARK + 1)) "$TRACE" | grep -c '^Counter.caption=No key')" -le 1 ] ||
    fail "the countdown did not start at once"
  answer_box "Dormix Lite Simulate Power Off" 30
  wait_exit "$LAST_PID" || fail "exit code"
  mock AddInhibitor idle Videos "Playing a film" block 0 812
  start_program DormixL-fast -InhibitShutdown
  answer_box "Dormix Lite Simulate Power Off" 30
  wait_exit "$LAST_PID" || fail "exit code past the cap"
  traced "DormixL: Dormix Lite Holds: The computer was held for 12 seconds by $holder; switching off anyway\." ||
    fail "no warning when the cap ran out"
  local held=" Wait     , Held      , Count:   6"
  expect_log "${FIRST_START[@]}" "$ENTRY_START" "$ENTRY_RUN" "$held" "$ENTRY_ENTER_OFF" \
    " Power Off, Simulate  , Count:   6" "${BANNER[@]}" "$ENTRY_START" "$ENTRY_RUN" "$held" \
    " Expire   , Hold      , Count:  18" "$ENTRY_ENTER_OFF" " Power Off, Simulate  , Count:   6"
}

# No X display: a clear message and a non-zero exit, nothing written.
scenario_no_display() {
  local out rc
  out=$(cd "$WORK" && DISPLAY=:65000 "$BUILD/DormixL" 2>&1)
  rc=$?
  [ $rc -ne 0 ] || fail "exit code 0 without a display"
  grep -q "cannot open the X display" <<<"$out" || fail "message: $out"
  grep -q "to try it without one: xvfb-run -a dormix-lite -InhibitShutdown" <<<"$out" ||
    fail "no hint about Xvfb"
  [ -e "$WORK/Log/DormixL.log" ] && fail "log written"

  # No runtime folder, and the marker's folder in the home opened to all:
  # the start is refused, never taken for "no other copy".
  start_display
  mkdir -p "$WORK/state/dormix"
  chmod 777 "$WORK/state/dormix"
  N=$((N + 1))
  TRACE=$WORK/trace$N
  (cd "$WORK" && unset XDG_RUNTIME_DIR && XDG_STATE_HOME=$WORK/state exec "$BUILD/DormixL-trace") \
    2>"$TRACE" >/dev/null &
  LAST_PID=$!
  PIDS+=($LAST_PID)
  answer_box "Dormix Lite Start Up Error"
  wait_exit "$LAST_PID"
  rc=$?
  [ $rc = 1 ] || fail "exit code $rc with a squatted marker folder"
  grep -q "Cannot tell whether another copy is running" "$TRACE" || fail "no reason given"
  [ -e "$WORK/Log/DormixL.log" ] && fail "log written"
  # A marker that cannot be made (a folder in its place) is refused too.
  mkdir "$WORK/run/Dormix"
  start_program DormixL-trace
  answer_box "Dormix Lite Start Up Error"
  wait_exit "$LAST_PID"
  rc=$?
  [ $rc = 1 ] || fail "exit code $rc with a broken marker"
  rmdir "$WORK/run/Dormix"

  # The X server goes away under a running program: the exit is logged
  # first, and the status stays 1.
  start_program DormixL-trace
  wait_trace "Counter.caption=Program Activation In 1s"
  kill "$DISPLAY_PID"
  wait "$DISPLAY_PID"
  DISPLAY_PID=
  wait_exit "$LAST_PID"
  rc=$?
  [ $rc = 1 ] || fail "exit code $rc after the X server went"
  expect_log "${FIRST_START[@]}" "$ENTRY_START" " Exit     , Initialise, Count:   1"

  # A Wayland environment inherited in an X11 session, with no compositor
  # answering: the X11 rules apply.
  start_display
  PROGRAM_ENV=(WAYLAND_DISPLAY=dormix-stale XDG_SESSION_TYPE=wayland)
  start_program DormixL-trace
  wait_trace "input X11 with XInput 2 \(WAYLAND_DISPLAY=dormix-stale, but no Wayland compositor answers\)"
  PROGRAM_ENV=()
  kill -TERM "$LAST_PID"
  wait_exit "$LAST_PID" || fail "exit code with a stale Wayland environment"
  # An X server without XInput: the refusal box, not only a line on stderr.
  PROGRAM_ENV=(LD_PRELOAD="$BUILD/libfault_shim.so" DORMIX_SHIM_NO_XINPUT=1)
  start_program DormixL-trace
  answer_box "Dormix Lite Start Up Error"
  wait_exit "$LAST_PID"
  rc=$?
  PROGRAM_ENV=()
  [ $rc = 1 ] || fail "exit code $rc without XInput"
  traced "message warning \[Dormix Lite Start Up Error\] The X server offers no XInput 2.1 or later, .*" ||
    fail "no refusal box without XInput"
}

"scenario_$SCENARIO" || fail "scenario $SCENARIO"
echo "PASS: $SCENARIO"
