#!/usr/bin/env bash
# The cycle under Xvfb and the input that restarts it: the whole short
# cycle, the pointer, keys tapped, clicked, grabbed and held.
# One scenario per call:
#   cycle.sh <build-folder> <scenario>
BUILD=$1
SCENARIO=$2
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# (a) -InhibitShutdown: the whole short cycle, the closing message, the end
# (walk_short_cycle, in lib.sh: the journal scenario walks it too).
scenario_inhibit() { walk_short_cycle; }

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

"scenario_$SCENARIO" || fail "scenario $SCENARIO"
echo "PASS: $SCENARIO"
