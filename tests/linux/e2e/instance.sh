#!/usr/bin/env bash
# The program's start and end under Xvfb: one copy at a time, no display,
# a marker that cannot be trusted, the X server gone, and signals.
# One scenario per call:
#   instance.sh <build-folder> <scenario>
BUILD=$1
SCENARIO=$2
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

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

"scenario_$SCENARIO" || fail "scenario $SCENARIO"
echo "PASS: $SCENARIO"
