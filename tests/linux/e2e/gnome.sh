#!/usr/bin/env bash
# Whole runs of the Linux program in a GNOME Wayland session: a headless
# mutter with its XWayland, started as an ordinary user (nobody, when the
# test runs as root) with its own runtime folder and session bus, input
# sent through mutter's remote-desktop interface. One scenario per call:
#   gnome.sh <build-folder> <scenario>
BUILD=$1
SCENARIO=$2
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$HERE/lib.sh"

ENTRY_START=" Start    , Initialise, Count:   2"
ENTRY_RUN=" Enter    , Run       , Count:   0"
ENTRY_ENTER_OFF=" Enter    , Power Off , Count:   0"
ENTRY_SIMULATE=" Power Off, Simulate  , Count:   6"

# A desktop session belongs to a user, not to root: the
# compositor, its bus and the program all run as one ordinary user.
AS_USER=()
if [ "$(id -u)" = 0 ]; then
  AS_USER=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  chmod 755 "$WORK"
  chown nobody:nogroup "$WORK/run" "$WORK/Log"
fi
# The build and the source may sit in a folder only root can enter.
mkdir -p "$WORK/user" "$WORK/bin"
cp "$BUILD/DormixL-trace" "$HERE/mutter_input.py" "$HERE/gnome_session.py" "$WORK/bin/"
[ ${#AS_USER[@]} -gt 0 ] && chown nobody:nogroup "$WORK/user"
SESSION_ENV=()
as_user() {
  "${AS_USER[@]}" env -i HOME="$WORK/user" PATH=/usr/bin:/bin LC_ALL=C.UTF-8 \
    XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" "${SESSION_ENV[@]}" "$@"
}
# The same in the background, output to a file, input from BG_IN if set;
# BG_PID is the command's own.
as_user_bg() {
  local out=$1
  shift
  (exec "${AS_USER[@]}" env -i HOME="$WORK/user" PATH=/usr/bin:/bin LC_ALL=C.UTF-8 \
     XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" "${SESSION_ENV[@]}" "$@") <"${BG_IN:-/dev/null}" \
     >"$out" 2>&1 &
  BG_PID=$!
}

MUTTER_PID=
SESSION_PID=
stop_session() {
  [ -n "$MUTTER_PID" ] && kill "$MUTTER_PID" 2>/dev/null
  # dbus-run-session ends its bus once mutter has gone.
  [ -n "$SESSION_PID" ] && { wait_for 20 sh -c "! kill -0 $SESSION_PID 2>/dev/null" ||
    kill "$SESSION_PID"; wait "$SESSION_PID" 2>/dev/null; }
  cleanup
}
trap stop_session EXIT

start_mutter() {
  as_user_bg "$WORK/mutter.log" dbus-run-session -- sh -c \
    'echo $$ >"$1/mutter.pid"; echo "$DBUS_SESSION_BUS_ADDRESS" >"$1/bus"
     exec mutter --wayland --headless --virtual-monitor 1024x768 --wayland-display=wayland-gnome' \
    sh "$WORK/user"
  SESSION_PID=$BG_PID
  wait_for 60 grep -q "Using public X11 display :" "$WORK/mutter.log" ||
    { cat "$WORK/mutter.log" >&2; fail "mutter did not start its XWayland"; }
  MUTTER_PID=$(cat "$WORK/user/mutter.pid")
  # XWayland takes the first free display number; mutter names it.
  local display auth
  display=$(sed -n 's/.*Using public X11 display \(:[0-9]*\).*/\1/p' "$WORK/mutter.log" | head -1)
  auth=$(ls "$XDG_RUNTIME_DIR"/.mutter-Xwaylandauth.* 2>/dev/null | head -1)
  SESSION_ENV=(DBUS_SESSION_BUS_ADDRESS="$(cat "$WORK/user/bus")" XDG_SESSION_TYPE=wayland
               WAYLAND_DISPLAY=wayland-gnome DISPLAY="$display" XAUTHORITY="$auth")
  wait_for 30 as_user gdbus call --session -d org.gnome.Mutter.IdleMonitor \
    -o /org/gnome/Mutter/IdleMonitor/Core -m org.gnome.Mutter.IdleMonitor.GetIdletime \
    >/dev/null 2>&1 || fail "no idle monitor on mutter's bus"
  # mutter starts XWayland at the first X client, its own main loop busy
  # meanwhile, and counts its idle time from its own start: a program
  # started in those first moments rightly takes the short idle time for
  # use. Nobody is at this session: start XWayland, then wait until mutter
  # says nobody has been there for two seconds.
  as_user xdpyinfo >/dev/null 2>&1 || fail "XWayland did not start"
  wait_for 30 mutter_idle_over 2000 || fail "mutter's idle time stays under 2 s"
}
mutter_idle_over() {
  local ms
  ms=$(as_user gdbus call --session -d org.gnome.Mutter.IdleMonitor \
    -o /org/gnome/Mutter/IdleMonitor/Core -m org.gnome.Mutter.IdleMonitor.GetIdletime 2>/dev/null |
    sed -n 's/.*uint64 \([0-9]*\).*/\1/p')
  [ "${ms:-0}" -ge "$1" ]
}

start_user_program() {
  local binary=$1
  shift
  N=$((N + 1))
  TRACE=$WORK/trace$N
  (cd "$WORK" && exec "${AS_USER[@]}" env -i HOME="$WORK/user" PATH=/usr/bin:/bin \
     LC_ALL=C.UTF-8 XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" "${SESSION_ENV[@]}" \
     "$WORK/bin/$binary" "$@") 2>"$TRACE" >/dev/null &
  LAST_PID=$!
  PIDS+=($LAST_PID)
}

# One remote-desktop client for the whole run, fed through a pipe.
start_input() {
  mkfifo "$WORK/input"
  BG_IN=$WORK/input as_user_bg "$WORK/input.out" /usr/bin/python3 "$WORK/bin/mutter_input.py"
  PIDS+=($BG_PID)
  exec 7>"$WORK/input"
  wait_for 20 grep -qsx ready "$WORK/input.out" || fail "no remote-desktop session"
}
acks() { grep -cx "$1" "$WORK/input.out"; }
more_acks() { [ "$(acks "$1")" -gt "$2" ]; }
send_input() {
  local before
  before=$(acks "$1")
  echo "$1" >&7
  wait_for 10 more_acks "$1" "$before" || fail "input $1 not sent"
}

# The box that ends a simulated power-off, answered on XWayland.
simulate_box() {
  as_user xdotool search --onlyvisible --name '^Dormix Lite Simulate Power Off$' 2>/dev/null |
    head -1
}
box_there() { [ -n "$(simulate_box)" ]; }
answer_simulate_box() {
  wait_for 30 box_there || fail "no power-off box"
  as_user xdotool windowactivate --sync "$(simulate_box)" key Return
}

# Seconds between the stamps of two log entries, found by their text.
stamp_of() {
  local line
  line=$(tr -d '\r' <"$WORK/Log/DormixL.log" | grep -F -- "$1" | head -1)
  date -d "$(echo "${line:0:18}" | sed 's/-/ /g')" +%s
}
seconds_between() { echo $(($(stamp_of "$2") - $(stamp_of "$1"))); }

# Nobody at the keyboard: the short cycle runs through with the times and
# the log of any desktop.
scenario_idle() {
  start_mutter
  start_user_program DormixL-trace -InhibitShutdown
  wait_trace "message plain \[Dormix Lite Simulate Power Off\] Test Real Power Off" "$TRACE" 60
  local expected=("Program Activation In 2s" "Program Activation In 1s" "Program Activation In 0s")
  for i in 1 2 3 4 5 6; do expected+=("No key or mouse activity for the last ${i}s"); done
  for i in 6 5 4 3 2 1 0; do expected+=("The Computer Will Power Off In ${i}s"); done
  [ "$(counter_captions)" = "$(printf '%s\n' "${expected[@]}")" ] ||
    { counter_captions >&2; fail "counter texts"; }
  grep -q "K/M" "$TRACE" && fail "activity seen with nobody there"
  answer_simulate_box
  wait_exit "$LAST_PID" || fail "exit code"
  expect_log "${FIRST_START[@]}" "$ENTRY_START" "$ENTRY_RUN" "$ENTRY_ENTER_OFF" "$ENTRY_SIMULATE"
  local run off
  run=$(seconds_between "Start    ," "Enter    , Run")
  off=$(seconds_between "Enter    , Run" "Enter    , Power Off")
  [ "$run" -ge 2 ] && [ "$run" -le 3 ] || fail "Run entered after ${run}s"
  [ "$off" -ge 6 ] && [ "$off" -le 8 ] || fail "countdown began ${off}s after Run"
}

samples_since_mark() {
  [ "$(tail -n +$((TRACE_MARK + 1)) "$TRACE" | grep -c '^Counter.caption=')" -ge "$1" ]
}

# A pointer move and a single key tap each set the count back to 0; an
# idle inhibitor held while the pointer moves changes nothing (mutter hands
# inhibitors to the session manager and then holds back its idle watches,
# but its idle time is the input's alone). Once nobody is there, the
# session manager's inhibitor holds the countdown back until the cap.
scenario_input() {
  start_mutter
  start_input
  start_user_program DormixL-trace -InhibitShutdown
  local mode
  for mode in move tap; do
    wait_trace "Counter.caption=No key or mouse activity for the last 2s"
    mark_trace
    send_input $mode
    wait_new "Counter.caption=No key or mouse activity for the last 0s"
    traced_new "CPULoad.caption=K/M" || fail "no K/M mark after: $mode"
    wait_new "Counter.caption=No key or mouse activity for the last 2s"
  done
  as_user_bg "$WORK/session-manager.log" /usr/bin/python3 -m dbusmock --session --template \
    "$WORK/bin/gnome_session.py"
  PIDS+=($BG_PID)
  local sm=(as_user gdbus call --session -d org.gnome.SessionManager -o /org/gnome/SessionManager)
  wait_for 20 "${sm[@]}" -m org.gnome.SessionManager.IsInhibited 8 >/dev/null 2>&1 ||
    fail "no session manager"
  # Published as gnome-session does: mutter then holds back its idle watches.
  "${sm[@]}" -m org.gnome.SessionManager.Inhibit org.gnome.Totem 0 "Playing a film" 8 |
    grep -q "(uint32 1,)" || fail "inhibitor not taken"
  send_input wiggle
  mark_trace
  wait_new "Counter.caption=No key or mouse activity for the last 0s"
  # Twelve samples, well past the six-second limit, all with the pointer moving.
  mark_trace
  wait_for 30 samples_since_mark 12 || fail "the samples stopped"
  send_input still
  tail -n +$((TRACE_MARK + 1)) "$TRACE" | grep -qE "^Counter.caption=(The Computer|.* last [2-9]s)" &&
    fail "the count ran on while the pointer moved"
  # A tap just after the last sample before the limit: seen by the next
  # sample, so the countdown does not begin.
  wait_trace "Counter.caption=No key or mouse activity for the last 5s"
  mark_trace
  send_input tap
  wait_new "Counter.caption=No key or mouse activity for the last 0s" 10
  traced_new "Counter.caption=The Computer.*" && fail "a tap just before the limit was missed"
  # Once nobody touches anything the inhibitor holds the countdown back,
  # named once, until the rehearsal's 12-second cap runs out.
  wait_trace "message plain \[Dormix Lite Simulate Power Off\] Test Real Power Off" "$TRACE" 60
  [ "$(grep -cF '"org.gnome.Totem": Playing a film (GNOME session manager idle inhibitor)' \
    "$TRACE")" = 2 ] || fail "the holder not named once when held and once at the cap"
  answer_simulate_box
  wait_exit "$LAST_PID" || fail "exit code"
  expect_log "${FIRST_START[@]}" "$ENTRY_START" "$ENTRY_RUN" " Wait     , Held      , Count:   6" \
    " Expire   , Hold      , Count:  18" "$ENTRY_ENTER_OFF" "$ENTRY_SIMULATE"
}

"scenario_$SCENARIO"
