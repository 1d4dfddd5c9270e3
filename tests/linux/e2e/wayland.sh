#!/usr/bin/env bash
# Whole runs of the Linux program in headless Wayland sessions, one scenario
# per call:   wayland.sh <build-folder> <scenario>
# sway 1.7 offers KDE's idle protocol, KWin ext-idle-notify-v1 (and KDE's),
# weston neither. Each compositor runs as an ordinary user (sway refuses
# root, and each XWayland admits only its own user) with its own runtime
# folder and session bus; the program, its helpers and xdotool run as that
# user too, from copies in the test's folder.
BUILD=$1
SCENARIO=$2
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
unset DISPLAY WAYLAND_DISPLAY XDG_SESSION_TYPE

ENTRY_START=" Start    , Initialise, Count:   2"
ENTRY_RUN=" Enter    , Run       , Count:   0"

if [ "$(id -u)" = 0 ]; then
  AS_USER=(setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME="$WORK/home")
  SESSION_OWNER=nobody:nogroup
else
  AS_USER=(env HOME="$WORK/home")
  SESSION_OWNER=$(id -u):$(id -g)
fi
mkdir -p "$WORK/home" "$WORK/bin"
cp "$BUILD/DormixL-trace" "$BUILD/DormixL-fast" "$BUILD/wayland_test_client" \
  "$BUILD/x11_close_window" "$WORK/bin/"
chmod 755 "$WORK"
chown -R "$SESSION_OWNER" "$WORK/home" "$WORK/run" "$WORK/Log" "$WORK/bin"

# The compositor's whole process group (itself, its XWayland, its bus)
# goes when the test ends.
SESSION_PGID=
stop_session() {
  [ -n "$SESSION_PGID" ] || return 0
  kill -TERM -- "-$SESSION_PGID" 2>/dev/null
  wait_for 10 sh -c "! kill -0 -- -$SESSION_PGID 2>/dev/null" || kill -KILL -- "-$SESSION_PGID" 2>/dev/null
  wait "$SESSION_PGID" 2>/dev/null
  SESSION_PGID=
}
trap 'stop_session; cleanup' EXIT

# start_session ENV... -- COMMAND...: the compositor, under a bus of its own.
start_session() {
  local envs=()
  while [ "$1" != -- ]; do envs+=("$1"); shift; done
  shift
  setsid "${AS_USER[@]}" "${envs[@]}" dbus-run-session -- "$@" >"$WORK/compositor.log" 2>&1 </dev/null &
  SESSION_PGID=$!
}
wait_socket() {
  wait_for 30 sh -c "ls '$WORK/run' | grep -qx '$1'" || { cat "$WORK/compositor.log" >&2; fail "no Wayland socket"; }
  export WAYLAND_DISPLAY=$(ls "$WORK/run" | grep -x "$1" | head -1)
}
wait_x_display() {
  wait_for 30 test -S "/tmp/.X11-unix/X${1#:}" || fail "no XWayland on $1"
  export DISPLAY=$1
}

start_sway() {
  printf 'xwayland enable\n' >"$WORK/sway.cfg"
  start_session WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    -- sway -c "$WORK/sway.cfg"
  wait_socket 'wayland-[0-9]*'
  export SWAYSOCK
  wait_for 10 sh -c "ls '$WORK'/run/sway-ipc.*.sock >/dev/null 2>&1" || fail "no sway IPC socket"
  SWAYSOCK=$(ls "$WORK"/run/sway-ipc.*.sock | head -1)
  # sway sets DISPLAY for its children only: ask one.
  swaymsg -q "exec echo \$DISPLAY >$WORK/run/x-display" || fail "swaymsg"
  wait_for 10 test -s "$WORK/run/x-display" || fail "sway has no XWayland"
  wait_x_display "$(cat "$WORK/run/x-display")"
}

start_kwin() {
  # A copy without the file capability, which a reduced bounding set would
  # refuse to execute; KWin wants its own file name.
  cp /usr/bin/kwin_wayland "$WORK/bin/kwin_wayland"
  start_session KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 -- "$WORK/bin/kwin_wayland" --virtual \
    --width 1024 --height 768 --xwayland --socket dormix-kwin
  wait_socket dormix-kwin
  local x
  wait_for 30 sh -c "pgrep -g $SESSION_PGID -x Xwayland >/dev/null" || fail "KWin has no XWayland"
  x=$(tr '\0' '\n' </proc/"$(pgrep -g "$SESSION_PGID" -x Xwayland | head -1)"/cmdline | grep -m1 -E '^:[0-9]+$')
  wait_x_display "$x"
}

start_weston() {
  start_session -- weston --backend=headless-backend.so --socket=dormix-weston --xwayland
  wait_socket dormix-weston
  wait_for 30 grep -q "xserver listening on display" "$WORK/compositor.log" || fail "weston has no XWayland"
  wait_x_display "$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$WORK/compositor.log" | head -1)"
}

# Starts a build of the program as the session's user; as start_program.
start_session_program() {
  local binary=$1
  shift
  N=$((N + 1))
  TRACE=$WORK/trace$N
  local wayland=(WAYLAND_DISPLAY="$WAYLAND_DISPLAY")
  [ -n "$WAYLAND_DISPLAY" ] || wayland=(env -u WAYLAND_DISPLAY)
  (cd "$WORK" && exec "${AS_USER[@]}" "${wayland[@]}" DISPLAY="$DISPLAY" \
    "$WORK/bin/$binary" "$@") 2>"$TRACE" >/dev/null &
  LAST_PID=$!
  PIDS+=($LAST_PID)
}

session_xdotool() { "${AS_USER[@]}" DISPLAY="$DISPLAY" xdotool "$@"; }
# Answers the message box with this title, on the session's XWayland, by
# its close box (the same as OK for a box with only OK): not every
# compositor passes XTEST keys on to X11 windows.
answer_session_box() {
  local id end=$((SECONDS + ${2:-30}))
  until id=$(session_xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1) && [ -n "$id" ]; do
    [ $SECONDS -ge $end ] && fail "no window titled: $1"
    sleep 0.1
  done
  "${AS_USER[@]}" DISPLAY="$DISPLAY" "$WORK/bin/x11_close_window" "$id"
}

# User input as the compositor sees it.
client() { "${AS_USER[@]}" WAYLAND_DISPLAY="$WAYLAND_DISPLAY" "$WORK/bin/wayland_test_client" "$@"; }
move_pointer() {
  case $COMPOSITOR in
    sway) swaymsg -q seat seat0 cursor move 1 1 ;;
    kwin) client move ;;
  esac
}
tap_key() {
  case $COMPOSITOR in
    sway) "${AS_USER[@]}" WAYLAND_DISPLAY="$WAYLAND_DISPLAY" wtype a ;;
    kwin) client key ;;
  esac
}

INHIBITOR=
start_inhibitor() {
  "${AS_USER[@]}" WAYLAND_DISPLAY="$WAYLAND_DISPLAY" "$WORK/bin/wayland_test_client" inhibit \
    >"$WORK/inhibitor.out" 2>&1 &
  INHIBITOR=$!
  PIDS+=($INHIBITOR)
  wait_for 20 grep -q inhibiting "$WORK/inhibitor.out" || { cat "$WORK/inhibitor.out" >&2; fail "no inhibitor"; }
}

start_compositor() {
  COMPOSITOR=$1
  case $1 in
    sway) start_sway; PROTOCOL=org_kde_kwin_idle ;;
    kwin) start_kwin; PROTOCOL=ext-idle-notify-v1 ;;
  esac
}

# Nobody at the keyboard: the short cycle runs to its end, as on X11.
idle() {
  start_compositor "$1"
  # As KWin sets it for what it starts: the windows still go to XWayland.
  QT_QPA_PLATFORM=wayland start_session_program DormixL-trace -InhibitShutdown
  wait_trace "input $PROTOCOL"
  wait_trace "Counter.caption=The Computer Will Power Off In 6s" "$TRACE" 40
  answer_session_box "Dormix Lite Simulate Power Off"
  wait_exit "$LAST_PID" || fail "exit code"
  grep -q '^CPULoad.caption=K/M$' <(sed -n '/last 1s$/,$p' "$TRACE") && fail "use seen with nobody there"
  expect_log "${FIRST_START[@]}" "$ENTRY_START" "$ENTRY_RUN" " Enter    , Power Off , Count:   0" \
    " Power Off, Simulate  , Count:   6"
  # Six idle seconds from the start of monitoring to the countdown, give or
  # take the compositor's 1.5-second timeout.
  local run off
  read -r run off < <(tr -d '\r' <"$WORK/Log/DormixL.log" |
    awk -F'[ :,]+' '/Enter +, (Run|Power Off)/ {printf "%d ", $2 * 3600 + $3 * 60 + $4}')
  [ $((off - run)) -ge 6 ] && [ $((off - run)) -le 8 ] || fail "countdown $((off - run)) s after Run"
}

# A pointer move and a key tap each set the count back to 0 (shown as K/M);
# the compositor going away ends the program the orderly way.
activity() {
  start_compositor "$1"
  start_session_program DormixL-trace -InhibitShutdown
  local what
  for what in move_pointer tap_key; do
    wait_trace "Counter.caption=No key or mouse activity for the last 3s"
    mark_trace
    $what
    wait_new "Counter.caption=No key or mouse activity for the last 0s" 10
    traced_new "CPULoad.caption=K/M" || fail "no K/M mark after $what"
    wait_new "Counter.caption=No key or mouse activity for the last 3s" 20
    mark_trace  # counting again: the wait above saw the 3s after this input
  done
  stop_session
  wait_exit "$LAST_PID" 20 || fail "exit code after the compositor went"
  traced "DormixL: the (connection to the Wayland compositor was lost|X server of the Wayland session has gone)\." ||
    fail "no message"
  log_lines | tail -1 | grep -qE '^ Exit     , Run       , Count: +[0-9]+$' || fail "no Exit entry"
}

# While a client holds an idle inhibitor the compositor stops reporting
# input: the machine counts as in use and never reaches the countdown; once
# it lets go, idle seconds count again. The fast build: 900 s in 23 s.
inhibitor() {
  start_compositor "$1"
  start_session_program DormixL-fast
  wait_trace "Counter.caption=No key or mouse activity for the last 200s"
  start_inhibitor
  local started=$SECONDS
  mark_trace
  until traced_new "Counter.caption=No key or mouse activity for the last 0s"; do
    [ $((SECONDS - started)) -ge 20 ] && fail "the inhibitor was not noticed"
    move_pointer
    sleep 0.5
  done
  echo "inhibitor noticed after about $((SECONDS - started)) s"
  # Held for longer than the whole idle limit (22.5 s here) with the pointer
  # moving now and then.
  local end=$((SECONDS + 25))
  while [ $SECONDS -lt $end ]; do move_pointer; sleep 0.5; done
  traced "Counter.caption=The Computer Will Power Off In .*" && fail "countdown despite the inhibitor"
  kill "$INHIBITOR"
  mark_trace
  wait_new "Counter.caption=No key or mouse activity for the last 100s" 15
  kill -TERM "$LAST_PID"
  wait_exit "$LAST_PID"
  log_lines | tail -1 | grep -qE '^ Exit     , Run       , Count: +[0-9]+$' || fail "no Exit entry"
}

# A compositor without idle notifications: a message box, a line on stderr,
# a non-zero exit, nothing written. A Wayland session without XWayland: a
# clear message.
scenario_weston_refusal() {
  start_weston
  start_session_program DormixL-trace
  answer_session_box "Dormix Lite Start Up Error"
  wait_exit "$LAST_PID" && fail "exit status 0"
  traced "DormixL: Wayland session \(WAYLAND_DISPLAY=dormix-weston\) with a compositor that offers neither ext-idle-notify-v1 nor org_kde_kwin_idle, and no org.gnome.Mutter.IdleMonitor on the session bus: keys and the mouse cannot be seen, so nothing is monitored." ||
    fail "stderr line"
  traced "message warning \[Dormix Lite Start Up Error\] This Wayland session .*" || fail "box"
  [ -e "$WORK/Log/DormixL.log" ] && fail "log written"
  # Only the X display known: XWayland's RandR outputs tell the session.
  WAYLAND_DISPLAY= start_session_program DormixL-trace
  answer_session_box "Dormix Lite Start Up Error"
  wait_exit "$LAST_PID" && fail "exit status 0"
  traced "DormixL: Wayland session \(XWayland outputs\) with no connection to its compositor, .*" ||
    fail "stderr line without WAYLAND_DISPLAY"
  local out
  out=$(cd "$WORK" && "${AS_USER[@]}" WAYLAND_DISPLAY="$WAYLAND_DISPLAY" DISPLAY= "$WORK/bin/DormixL-trace" 2>&1) &&
    fail "exit status 0 without XWayland"
  grep -q "Wayland session (WAYLAND_DISPLAY=dormix-weston) without XWayland" <<<"$out" || fail "message: $out"
  return 0
}

# GNOME's idle monitor (a stand-in on the session bus, picked in a session
# whose compositor offers no idle protocol) refusing its watch: every
# sample counts as use, and after a minute of fast ticks one warning says
# so; one line again once the watch is set.
mutter_mock() {
  "${AS_USER[@]}" gdbus call --session -d org.gnome.Mutter.IdleMonitor -o /org/gnome/Mutter/IdleMonitor/Core \
    -m org.freedesktop.DBus.Mock.AddMethod org.gnome.Mutter.IdleMonitor "$@" >/dev/null 2>&1
}
scenario_weston_source_failing() {
  start_weston
  # A session bus of the session's user, which the stand-in and the program
  # share; its configuration copied where that user may read it.
  cp "$(dirname "${BASH_SOURCE[0]}")/session-bus.conf" "$WORK/home/"
  "${AS_USER[@]}" dbus-daemon --config-file="$WORK/home/session-bus.conf" \
    --nofork --address="unix:path=$WORK/home/bus" --print-address=3 3>"$WORK/user-bus" \
    >/dev/null 2>&1 &
  PIDS+=($!)
  wait_for 10 test -s "$WORK/user-bus" || fail "no session bus for the user"
  export DBUS_SESSION_BUS_ADDRESS=$(head -1 "$WORK/user-bus")
  "${AS_USER[@]}" /usr/bin/python3 -m dbusmock org.gnome.Mutter.IdleMonitor \
    /org/gnome/Mutter/IdleMonitor/Core org.gnome.Mutter.IdleMonitor >/dev/null 2>&1 &
  PIDS+=($!)
  wait_for 15 mutter_mock GetIdletime '""' t 'ret = 50000' || fail "no idle monitor stand-in"
  mutter_mock AddIdleWatch t u "raise dbus.exceptions.DBusException('refused')"
  start_session_program DormixL-fast
  local source="DormixL: Dormix Lite Activity Source: The activity source org.gnome.Mutter.IdleMonitor"
  wait_trace "$source has failed for a minute: the computer counts as in use and will not power off until it answers again\." "$TRACE" 30
  traced "input org.gnome.Mutter.IdleMonitor" || fail "another source chosen"
  # Sixty samples in a row: two during the activation, the rest shown.
  [ "$(sed "/$source/q" "$TRACE" | counter_captions /dev/stdin | grep -c 'last 0s')" -ge 58 ] ||
    fail "warned before a minute of samples"
  counter_captions | grep -qE "last [1-9]|Power Off" && fail "counted as idle while failing"
  mutter_mock AddIdleWatch t u 'ret = 1'
  wait_trace "$source answers again: idle time counts again\."
  [ "$(count_traced "$source has failed.*")" = 1 ] || fail "warned more than once"
}

scenario_sway_idle() { idle sway; }
scenario_sway_activity() { activity sway; }
scenario_sway_inhibitor() { inhibitor sway; }
scenario_kwin_idle() { idle kwin; }
scenario_kwin_activity() { activity kwin; }
scenario_kwin_inhibitor() { inhibitor kwin; }

"scenario_$SCENARIO" || fail "scenario $SCENARIO"
echo "PASS: $SCENARIO"
