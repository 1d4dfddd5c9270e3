# Shared by the end-to-end scripts: a private working folder with a Log
# folder, a private copy of the Wine prefix, a private Xvfb display, and
# helpers to start DormixL.exe, drive it and check its log. Everything
# started here is stopped on exit.
set -euo pipefail

BUILD=$(realpath "${1:?build folder}")
EXE=$BUILD/DormixL.exe
FAST_EXE=$BUILD/DormixL-fast.exe
DRIVER=$BUILD/dormix-driver.exe
MAIN="Dormix Lite"
failures=0
xvfb_pid=

cleanup() {
    set +e
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}

setup() {
    work=$(mktemp -d /tmp/dormix-e2e.XXXXXX)
    trap cleanup EXIT
    mkdir -p "$work/run/Log"
    cp -a "$BUILD/wine-template" "$work/prefix"
    export WINEPREFIX=$work/prefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    # -displayfd: Xvfb picks a free display and tells us which.
    Xvfb -displayfd 8 -screen 0 1024x768x24 -nolisten tcp 8>"$work/display" >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
    export DISPLAY=:$(head -1 "$work/display")
    cd "$work/run"
    # Bring up the wineserver and the desktop once, so the program and the
    # driver started next do not race to create them.
    drv count "warming up" >/dev/null
}

# Starts the program (or another exe) in the run folder, in the background.
start() { wine "$EXE" "$@" >/dev/null 2>&1 & }
start_exe() { local exe=$1; shift; wine "$exe" "$@" >/dev/null 2>&1 & }

# The program (TRACED_EXE, else DormixL.exe) with Wine's event-log trace on
# stderr, into FILE. Wine's ReportEventA stores nothing, but traces the type,
# the id and each string.
start_eventlog_traced() {
    local file=$1; shift
    WINEDEBUG=-all,+eventlog,fixme+advapi wine "${TRACED_EXE:-$EXE}" "$@" >/dev/null 2>"$file" &
}
# "TYPE ID" of each event reported, in order.
reported_events() {
    tr -d '\r' <"$1" | sed -nE 's/.*fixme:advapi:ReportEventA \([^,]*,(0x[0-9a-f]+),0x0000,(0x[0-9a-f]+),.*/\1 \2/p'
}
# The strings of the events reported, one per line.
reported_strings() { tr -d '\r' <"$1" | sed -nE 's/.*:eventlog:ReportEventW L"(.*)"$/\1/p'; }

# The driver, its output without the CRs of the Windows console.
drv() { wine "$DRIVER" "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }

check() {  # check DESCRIPTION EXPECTED ACTUAL
    if [ "$2" == "$3" ]; then
        echo "ok   $1"
    else
        echo "FAIL $1"
        echo "     expected: $(printf '%q' "$2")"
        echo "     actual:   $(printf '%q' "$3")"
        failures=$((failures + 1))
    fi
}

check_match() {  # check_match DESCRIPTION REGEX ACTUAL
    if [[ $3 =~ $2 ]]; then echo "ok   $1"; else
        echo "FAIL $1: $(printf '%q' "$3") does not match $2"; failures=$((failures + 1))
    fi
}

check_ok() {  # check_ok DESCRIPTION COMMAND...
    local d=$1; shift
    if out=$("$@"); then echo "ok   $d"; else echo "FAIL $d: $out"; failures=$((failures + 1)); fi
}

# The log with each entry's time stamp replaced by "T", after checking its
# form; the month is the locale's abbreviation, of any length.
log_lines() {
    local file=${1:-Log/DormixL.log}
    tr -d '\r' <"$file" | sed -E 's/^[0-9]{2}-[^-]+-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}/T/'
}
# Only the entries (action, detail, count), in order.
log_entries() { log_lines "$@" | grep -E '^T, ' | sed 's/^T, //' || true; }

# Waits until the log has an entry line matching PATTERN (an ERE).
wait_log() {
    for _ in $(seq 200); do
        [ -f Log/DormixL.log ] && log_entries | grep -qE "$1" && return 0
        sleep 0.05
    done
    echo "FAIL log never got $1"; failures=$((failures + 1))
}

# Waits until no Windows process of ours is left in this prefix.
wait_ended() {
    local what=$1
    for _ in $(seq 100); do
        [ "$(drv count "$MAIN")" = 0 ] && { echo "ok   $what"; return; }
        sleep 0.1
    done
    echo "FAIL $what"; failures=$((failures + 1))
}

# Wine's virtual desktop shows the notification area at the bottom right of
# its taskbar; our icon is the only one there. "icon" when the screen shows it.
TRAY_X=1014 TRAY_Y=758
tray_icon() {
    local colours
    colours=$(import -window root -crop 12x12+$((TRAY_X - 6))+$((TRAY_Y - 6)) +repage -format '%k' info: 2>/dev/null)
    if [ "${colours:-1}" -gt 2 ]; then echo icon; else echo none; fi
}
# The same, once it has settled (the taskbar repaints asynchronously).
tray_icon_becomes() {
    for _ in $(seq 40); do [ "$(tray_icon)" = "$1" ] && break; sleep 0.05; done
    tray_icon
}
# A real left double-click on the tray icon.
double_click_tray() { xdotool mousemove $TRAY_X $TRAY_Y click --repeat 2 --delay 80 1; }

# The colour of one screen pixel as #RRGGBB.
pixel() { import -window root -crop "1x1+$1+$2" +repage -depth 8 txt:- 2>/dev/null | grep -oE '#[0-9A-F]{6}' | head -1; }

finish() {
    if [ "$failures" -eq 0 ]; then echo "PASS"; exit 0; fi
    echo "$failures check(s) failed"; exit 1
}
