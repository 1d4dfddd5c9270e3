#!/usr/bin/env bash
# The main window, About and the notice under Xvfb, driven through the
# tray, the mouse and the keyboard: Test, Cancel, Exit and the close box
# in each phase, About's countdown and link.
# One scenario per call:
#   windows.sh <build-folder> <scenario>
BUILD=$1
SCENARIO=$2
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

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

"scenario_$SCENARIO" || fail "scenario $SCENARIO"
echo "PASS: $SCENARIO"
