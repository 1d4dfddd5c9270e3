# Helpers for the end-to-end tests: each test gets its own Xvfb, working
# folder (with Log/), runtime folder (so markers never collide between tests
# running side by side) and, when asked, a tray host and a mock logind.
# Sourced by every end-to-end script; BUILD is the build folder. Under
# Xvfb, the test builds report captions and messages on stderr (the trace);
# windows and message boxes are found by title, buttons clicked with
# xdotool, and the log is compared line by line.
set -uo pipefail

WORK=$(mktemp -d /tmp/dormix-e2e.XXXXXX)
PIDS=()
DISPLAY_PID=
# The log that log_lines and expect_log read.
LOG_FILE=$WORK/Log/DormixL.log
mkdir -p "$WORK/Log" "$WORK/run"
chmod 700 "$WORK/run"
export XDG_RUNTIME_DIR=$WORK/run
export LC_ALL=C.UTF-8
unset WAYLAND_DISPLAY XDG_SESSION_TYPE QT_QPA_PLATFORM SESSION_MANAGER
# Nothing of the developer's desktop: no tray host over D-Bus, no browser.
# The session bus is the test's own (started below); without one, Qt would
# launch a bus daemon that outlives the test.
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$WORK/no-system-bus

cleanup() {
  local p
  # SIGCONT too: a process a scenario stopped would never act on SIGTERM.
  for ((i = ${#PIDS[@]} - 1; i >= 0; i--)); do kill "${PIDS[i]}" 2>/dev/null; kill -CONT "${PIDS[i]}" 2>/dev/null; done
  for p in "${PIDS[@]}"; do wait "$p" 2>/dev/null; done
  [ -n "$DISPLAY_PID" ] && kill "$DISPLAY_PID" 2>/dev/null && wait "$DISPLAY_PID" 2>/dev/null
  if [ "${KEEP:-0}" = 1 ]; then echo "kept $WORK"; else rm -rf "$WORK"; fi
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  for f in "$WORK"/trace*; do [ -f "$f" ] && { echo "--- $f (last 25 lines)"; tail -25 "$f"; }; done >&2
  [ -f "$LOG_FILE" ] && { echo "--- log"; cat "$LOG_FILE"; } >&2
  exit 1
}

# Polls `cmd` until it succeeds or `seconds` pass: waiting for another
# process, never for time itself.
wait_for() {
  local seconds=$1
  shift
  local end=$((SECONDS + seconds))
  until "$@"; do
    [ $SECONDS -ge $end ] && return 1
    sleep 0.05
  done
}

# Servers starting side by side can pick the same display number: the
# loser may even report the number before it gives up, and the test would
# then talk to another test's server. A display is ours once our server
# holds the socket that clients connect to first (the abstract one) and
# answers on it.
display_is_ours() {
  local inode
  for inode in $(awk -v path="@/tmp/.X11-unix/X$1" '$8 == path {print $7}' /proc/net/unix); do
    if find "/proc/$DISPLAY_PID/fd" -lname "socket:\[$inode\]" 2>/dev/null | grep -q .; then
      DISPLAY=:$1 xdpyinfo >/dev/null 2>&1
      return
    fi
  done
  return 1
}
display_settled() { display_is_ours "$1" || ! kill -0 "$DISPLAY_PID" 2>/dev/null; }
start_display() {
  local try n
  for try in 1 2 3 4 5; do
    : >"$WORK/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$WORK/display" \
      >"$WORK/xvfb.log" 2>&1 &
    DISPLAY_PID=$!
    wait_for 30 sh -c "test -s '$WORK/display' || ! kill -0 $DISPLAY_PID 2>/dev/null"
    n=$(head -1 "$WORK/display")
    if [ -n "$n" ] && wait_for 10 display_settled "$n" && display_is_ours "$n"; then
      export DISPLAY=:$n
      return 0
    fi
    kill "$DISPLAY_PID" 2>/dev/null
    wait "$DISPLAY_PID" 2>/dev/null
  done
  DISPLAY_PID=
  cat "$WORK/xvfb.log" >&2
  fail "Xvfb did not start"
}

# A journald of the test's own. Only inside a private mount namespace (see
# private-mounts.sh): fresh tmpfs on /run and /var/log/journal, and a volatile
# configuration bound over the host's, so nothing of the host is touched.
start_journal() {
  [ -n "${DORMIX_PRIVATE_MOUNTS:-}" ] || fail "start_journal outside a private mount namespace"
  mount -t tmpfs tmpfs /run || fail "no tmpfs on /run"
  if [ -d /var/log/journal ]; then mount -t tmpfs tmpfs /var/log/journal || fail "tmpfs"; fi
  printf '[Journal]\nStorage=volatile\nReadKMsg=no\nForwardToSyslog=no\nForwardToWall=no\nForwardToConsole=no\n' \
    >"$WORK/journald.conf"
  if [ -f /etc/systemd/journald.conf ]; then
    mount --bind "$WORK/journald.conf" /etc/systemd/journald.conf || fail "journald.conf"
  fi
  mkdir -p /run/systemd/journal /run/log
  # Its own messages to its stderr, not to the host's kernel log.
  SYSTEMD_LOG_TARGET=console /lib/systemd/systemd-journald >"$WORK/journald.log" 2>&1 &
  JOURNALD_PID=$!
  PIDS+=($!)
  wait_for 20 test -S /run/systemd/journal/socket || { cat "$WORK/journald.log" >&2; fail "no journald"; }
}

# An empty /etc/dormix-lite (with conf.d) of the test's own, in CONF. Only
# inside a private mount namespace: where the folder does not exist, /etc
# gets an overlay first to make it in, so the host's /etc is never written.
use_private_conf() {
  [ -n "${DORMIX_PRIVATE_MOUNTS:-}" ] || fail "use_private_conf outside a private mount namespace"
  CONF=/etc/dormix-lite
  if [ ! -d "$CONF" ]; then
    mkdir "$WORK/etc-layer"
    mount -t tmpfs tmpfs "$WORK/etc-layer" || fail "no tmpfs for the overlay"
    mkdir "$WORK/etc-layer/upper" "$WORK/etc-layer/work"
    # Overlays in a user namespace came with Linux 5.11.
    if ! mount -t overlay overlay \
      -o "lowerdir=/etc,upperdir=$WORK/etc-layer/upper,workdir=$WORK/etc-layer/work" /etc; then
      echo "SKIP: this machine allows no overlay on /etc in a private namespace"
      exit 77
    fi
    # The overlay keeps the tmpfs alive; detached, it leaves $WORK removable.
    umount -l "$WORK/etc-layer"
    mkdir "$CONF"
  fi
  mount -t tmpfs -o mode=755 tmpfs "$CONF" || fail "no tmpfs on $CONF"
  mkdir "$CONF/conf.d"
}

# Stops journald and fills its socket: from now on a sender blocks.
hang_journal() {
  kill -STOP "$JOURNALD_PID"
  python3 - <<'PY' || fail "could not fill the journal's socket"
import socket
s = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
s.connect("/run/systemd/journal/socket")
s.setblocking(False)
try:
    while True:
        s.send(b"MESSAGE=filler\n")
except BlockingIOError:
    pass
PY
}

# Our records in the journal as JSON, one per line, after journald has
# written out everything it received; the program's own, or the
# identifier's given.
journal_records() {
  journalctl --sync || fail "journalctl --sync"
  journalctl -o json --no-pager SYSLOG_IDENTIFIER="${1:-DormixL}"
}

# The tray host is ready when it owns the tray selection; a slow start on a
# loaded machine is waited for as long as the host runs (the bound only
# catches one that hangs).
start_tray() {
  trayer --edge top --align right --widthtype pixel --width 100 --height 32 \
    --transparent false >"$WORK/tray.log" 2>&1 &
  local host=$!
  PIDS+=($host)
  TRAY_PID=$host
  wait_for 120 sh -c "'$BUILD/x11_tray_owner' || ! kill -0 $host 2>/dev/null" &&
    "$BUILD/x11_tray_owner" || { cat "$WORK/tray.log" >&2; fail "no tray host"; }
}

# Starts a build of the program in the working folder; its trace goes to
# $WORK/trace<N>, its pid to LAST_PID.
N=0
PROGRAM_ENV=()
ENV_BIN=$(command -v env)  # found here: a test may give the program an empty PATH
start_program() {
  local binary=$1
  shift
  N=$((N + 1))
  TRACE=$WORK/trace$N
  (cd "$WORK" && exec "$ENV_BIN" "${PROGRAM_ENV[@]}" "$BUILD/$binary" "$@") 2>"$TRACE" >/dev/null &
  LAST_PID=$!
  PIDS+=($LAST_PID)
}

# The trace has a line matching the extended regex (anchored at both ends).
traced() { grep -qE "^$1\$" "${2:-$TRACE}"; }
wait_trace() { wait_for "${3:-40}" traced "$1" "${2:-$TRACE}" || fail "never traced: $1"; }

# For a line that must come after some action: mark_trace before the action,
# then wait_new for a line traced after the mark.
mark_trace() { TRACE_MARK=$(wc -l <"${1:-$TRACE}"); }
traced_new() { tail -n +$((TRACE_MARK + 1)) "${2:-$TRACE}" | grep -qE "^$1\$"; }
wait_new() { wait_for "${2:-40}" traced_new "$1" || fail "never traced after the mark: $1"; }

# Counts the lines of the trace matching a regex.
count_traced() { grep -cE "^$1\$" "${2:-$TRACE}"; }

window_id() { xdotool search --name "^$1\$" 2>/dev/null | head -1; }
wait_window() {
  wait_for "${2:-40}" sh -c "xdotool search --onlyvisible --name '^$1\$' >/dev/null 2>&1" ||
    fail "no window titled: $1"
  xdotool search --onlyvisible --name "^$1\$" | head -1
}

# Clicks at client pixel (x, y) of a window; with no window manager the
# client area starts at the window's corner.
click_at() { xdotool mousemove --window "$1" "$2" "$3" click 1; }
# Centre of a button of the main window, from its pixel rectangle.
declare -A BUTTON=([TestS]="38 50" [Reset]="296 50" [About]="372 50" [Exit]="448 50"
                   [ExitAbout]="126 292" [NoticeOk]="147 81" [WebSite]="82 226")
click_button() { click_at "$1" ${BUTTON[$2]}; }

# Presses OK (Return) in the message box with this title.
answer_box() {
  local id
  id=$(wait_window "$1" "${2:-20}")
  xdotool windowfocus --sync "$id" key Return
}

close_window() { "$BUILD/x11_close_window" "$1"; }

# Clicks the program's icon in the tray host: click_tray [count] [button].
click_tray() {
  local line w h x y
  line=$(xwininfo -root -tree | awk '/"panel"/{p=1} p && /\("DormixL/ {print; exit}')
  [ -n "$line" ] || fail "no icon in the tray"
  read -r w h x y < <(echo "$line" |
    sed -E 's/.* ([0-9]+)x([0-9]+)\+[-0-9]+\+[-0-9]+ +\+([-0-9]+)\+([-0-9]+).*/\1 \2 \3 \4/')
  xdotool mousemove $((x + w / 2)) $((y + h / 2)) click --repeat "${1:-1}" --delay 90 "${2:-1}"
}
# A click that lands while the window is still being mapped can be lost
# on a loaded machine: try again until the trace shows its effect.
until_traced() {
  local regex=$1 tries
  shift
  for tries in 1 2 3; do
    mark_trace
    "$@"
    wait_for 5 traced_new "$regex" && return 0
  done
  fail "no effect of: $* (waited for $regex)"
}
double_click_tray() { until_traced "window shown" click_tray 2 1; }
tray_icon_present() { xwininfo -root -tree | awk '/"panel"/{p=1} p && /\("DormixL/ {f=1} END {exit !f}'; }

wait_exit() {
  local pid=$1 seconds=${2:-20}
  wait_for "$seconds" sh -c "! kill -0 $pid 2>/dev/null" || fail "program $pid did not end"
  wait "$pid"
}

# The log's entry lines without their time stamps, each checked for its
# stamp's format; the other lines as they are. The month is the locale's
# abbreviation, of any length ("Dec", "déc.", "12月"); with LOG_MONTH set it
# must be that one.
log_lines() {
  local stamp='^[0-3][0-9]-([^-]+)-[0-9][0-9] [0-2][0-9]:[0-5][0-9]:[0-5][0-9]'
  tr -d '\r' <"$LOG_FILE" | while IFS= read -r line; do
    if [[ $line =~ $stamp(, )? ]] && [ -n "${LOG_MONTH:-}" ] &&
       [ "${BASH_REMATCH[1]}" != "$LOG_MONTH" ]; then echo "<month ${BASH_REMATCH[1]}>"
    elif [[ $line =~ $stamp$ ]]; then echo "<stamp>"
    elif [[ $line =~ ($stamp), ]]; then echo "${line:${#BASH_REMATCH[1]}+2}"
    else echo "$line"; fi
  done
}

# The program's locale for the rest of the test: compiled from the system's
# locale sources into the test's folder, so the machine needs none installed.
use_locale() {
  mkdir -p "$WORK/locale"
  localedef -i "$1" -f UTF-8 "$WORK/locale/$1.UTF-8" >/dev/null 2>&1 ||
    [ -e "$WORK/locale/$1.UTF-8/LC_TIME" ] || fail "cannot compile the locale $1"
  PROGRAM_ENV=(LOCPATH="$WORK/locale" LC_ALL="$1.UTF-8")
  LOG_MONTH=$(env "${PROGRAM_ENV[@]}" date +%b)
}

# Every line of the log, in order, against these lines: exact text, or an
# extended regex when the line starts with "~" (for counts that depend on
# how long a click took). Every line must end in CR LF.
expect_log() {
  local -a actual
  mapfile -t actual < <(log_lines)
  local ok=1 i
  [ ${#actual[@]} -eq $# ] || ok=0
  for ((i = 1; i <= $# && ok; i++)); do
    local want=${!i} got=${actual[i - 1]}
    if [[ $want == "~"* ]]; then [[ $got =~ ^${want:1}$ ]] || ok=0
    else [ "$got" = "$want" ] || ok=0; fi
  done
  if [ $ok = 0 ]; then
    diff <(printf '%s\n' "$@") <(printf '%s\n' "${actual[@]}") >&2
    fail "log differs (expected < > actual)"
  fi
  [ "$(grep -c $'\r$' "$LOG_FILE")" = "$(wc -l <"$LOG_FILE")" ] ||
    fail "a log line does not end in CR LF"
}

# The creation header and one start banner, as the first start writes them.
FIRST_START=("Dormix Lite" "Version 2.1" "File Created" "<stamp>" "" "" "Dormix Lite" "Version 2.1" "")
BANNER=("" "" "Dormix Lite" "Version 2.1" "")
# A start's entries, and the countdown's first.
ENTRY_START=" Start    , Initialise, Count:   2"
ENTRY_RUN=" Enter    , Run       , Count:   0"
ENTRY_ENTER_OFF=" Enter    , Power Off , Count:   0"

# The Counter captions traced so far, one per line.
counter_captions() { sed -n 's/^Counter\.caption=//p' "${1:-$TRACE}"; }

# The whole short cycle of -InhibitShutdown under Xvfb: every counter text,
# the closing message, the end, the log (the inhibit scenario, and the
# journal's first part).
walk_short_cycle() {
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

# A mock logind on a private bus standing for the system bus, for the
# power-off path and the sessions, exercised for real.
start_mock_logind() {
  local bus_out=$WORK/bus
  dbus-daemon --session --nofork --print-address=3 3>"$bus_out" >/dev/null 2>&1 &
  PIDS+=($!)
  wait_for 10 test -s "$bus_out" || fail "no private bus"
  export DBUS_SYSTEM_BUS_ADDRESS=$(head -1 "$bus_out")
  /usr/bin/python3 -m dbusmock --template "${2:-logind}" -l "$WORK/logind.calls" -p "${1:-{\}}" \
    >/dev/null 2>&1 &
  PIDS+=($!)
  MOCK_PID=$!
  wait_for 15 sh -c "dbus-send --bus=$DBUS_SYSTEM_BUS_ADDRESS --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner string:org.freedesktop.login1 2>/dev/null | grep -q true" ||
    fail "mock logind not up"
}

# Calls a method of the mock's own interface (org.freedesktop.DBus.Mock).
mock() {
  gdbus call --address "$DBUS_SYSTEM_BUS_ADDRESS" --dest org.freedesktop.login1 \
    --object-path /org/freedesktop/login1 --method "org.freedesktop.DBus.Mock.$1" "${@:2}" \
    >/dev/null || fail "mock logind: $*"
}

# Other people on the machine, in a logind of the test's making
# (logind_sessions.py): sessions opened and changed while the program runs.
start_sessions_logind() {
  start_mock_logind "$1" "$(dirname "${BASH_SOURCE[0]}")/logind_sessions.py"
  PROGRAM_ENV=(XDG_SESSION_ID=c1)
}
listings() { grep -c ' ListSessions$' "$WORK/logind.calls"; }
# The test's own session bus, stopped with everything else.
start_session_bus() {
  dbus-daemon --config-file="$(dirname "${BASH_SOURCE[0]}")/session-bus.conf" --nofork \
    --address="unix:path=$WORK/session-bus-socket" --print-address=3 3>"$WORK/session-bus" \
    >/dev/null 2>&1 &
  PIDS+=($!)
  wait_for 10 test -s "$WORK/session-bus" || fail "no session bus"
  export DBUS_SESSION_BUS_ADDRESS=$(head -1 "$WORK/session-bus")
}
start_session_bus
