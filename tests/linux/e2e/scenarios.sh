#!/usr/bin/env bash
# Whole runs of the Linux program under Xvfb, one scenario per call:
#   scenarios.sh <build-folder> <scenario>
# The test builds report captions and messages on stderr (the trace);
# windows and message boxes are found by title, buttons clicked with
# xdotool, and the log is compared line by line.
BUILD=$1
SCENARIO=$2
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
  expect_log "${FIRST_START[@]}" "$ENTRY_START" "$ENTRY_RUN" " Exit     , Run       , Count:   1" \
    "${BANNER[@]}" "$ENTRY_START" "$ENTRY_RUN" " Exit     , Run       , Count:   1" \
    "${BANNER[@]}" "$ENTRY_START" " Exit     , Initialise, Count:   1"
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
# events), and shows as K.
scenario_key_tap() {
  start_display
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
  wait_exit "$LAST_PID" || fail "exit code"
  [ -e "$WORK/Log" ] && fail "the program created the Log folder"
  mkdir "$WORK/Log"
  start_program DormixL-trace -InhibitShutdown
  wait_for 20 grep -q "Enter    , Run" "$WORK/Log/DormixL.log" || fail "no Enter Run entry"
  rm "$WORK/Log/DormixL.log"  # the countdown's entry is the next write
  answer_box "Dormix Lite Log File Error"
  traced "message warning \[Dormix Lite Log File Error\] The log file is either missing or \| corrupted. Delete the log file if \| it exists and restart the program \| The program will now terminate" ||
    fail "missing-file message"
  wait_exit "$LAST_PID" || fail "exit code"
  [ -e "$WORK/Log/DormixL.log" ] && fail "the file was created again"
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
  # Monitoring: the close box.
  start_program DormixL-trace
  wait_trace "Counter.caption=No key or mouse activity for the last 1s"
  wait_for 10 tray_icon_present || fail "no tray icon"
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
  # No browser anywhere on PATH: opening the page fails.
  PATH=/usr/bin/nonexistent:/bin start_program DormixL-trace -InhibitShutdown
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

# The power-off path, for real against a mock logind on a private bus,
# from the fast build (900 idle seconds in about 23 s).
start_mock_logind() {
  local bus_out=$WORK/bus
  dbus-daemon --session --nofork --print-address=3 3>"$bus_out" >/dev/null 2>&1 &
  PIDS+=($!)
  wait_for 10 test -s "$bus_out" || fail "no private bus"
  export DBUS_SYSTEM_BUS_ADDRESS=$(head -1 "$bus_out")
  /usr/bin/python3 -m dbusmock --template logind -l "$WORK/logind.calls" -p "${1:-{\}}" \
    >/dev/null 2>&1 &
  PIDS+=($!)
  wait_for 15 sh -c "dbus-send --bus=$DBUS_SYSTEM_BUS_ADDRESS --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner string:org.freedesktop.login1 2>/dev/null | grep -q true" ||
    fail "mock logind not up"
}

scenario_power_off() {
  start_display
  start_mock_logind '{"CanPowerOff": "yes"}'
  start_program DormixL-fast
  wait_trace "Counter.caption=The Computer Will Power Off In 60s" "$TRACE" 60
  wait_exit "$LAST_PID" 20 || fail "exit code"
  expect_log "${FIRST_START[@]}" "$ENTRY_START" "$ENTRY_RUN" "$ENTRY_ENTER_OFF" \
    " Close    , Power Off , Count:  60"
  grep -q "CanPowerOff" "$WORK/logind.calls" || fail "CanPowerOff not asked"
  grep -qE "PowerOff False$" "$WORK/logind.calls" || { cat "$WORK/logind.calls" >&2; fail "no forced PowerOff"; }
  [ "$(grep -c 'PowerOff False' "$WORK/logind.calls")" = 1 ] || fail "PowerOff more than once"
}

scenario_power_refused() {
  start_display
  start_mock_logind '{"CanPowerOff": "na"}'
  start_program DormixL-fast
  answer_box "Dormix Lite Error" 60
  traced "message warning \[Dormix Lite Error\] A program error has occured \| Error Number: -2147219922 \| Error description: Can't enable shutdown: You do not have the privileges to shutdown this system. \[logind answers \"na\" to CanPowerOff.\]" ||
    fail "error report"
  wait_exit "$LAST_PID" || fail "exit code"
  grep -qE " PowerOff " "$WORK/logind.calls" && fail "powered off despite na"
  log_lines | tail -1 | grep -qx " Close    , Power Off , Count:  60" || fail "close entry"
}

# No X display: a clear message and a non-zero exit, nothing written.
scenario_no_display() {
  local out rc
  out=$(cd "$WORK" && DISPLAY=:65000 "$BUILD/DormixL" 2>&1)
  rc=$?
  [ $rc -ne 0 ] || fail "exit code 0 without a display"
  grep -q "cannot open the X display" <<<"$out" || fail "message: $out"
  grep -q "scripts/run --virtual-display" <<<"$out" || fail "no hint about Xvfb"
  [ -e "$WORK/Log/DormixL.log" ] && fail "log written"
  return 0
}

"scenario_$SCENARIO" || fail "scenario $SCENARIO"
echo "PASS: $SCENARIO"
