#!/usr/bin/env bash
# Real input through the X server (XTest via xdotool), polled by the program
# with GetCursorPos and GetAsyncKeyState: during monitoring a pointer move
# or a key sets the idle count back to 0 and shows "M", "K" or "K+M"; a key
# held down counts once; a tap the poll never sees (another program took it)
# still counts through GetLastInputInfo and shows "K/M"; during the countdown
# input changes nothing and the countdown runs out as if nobody were there.
source "$(dirname "$0")/lib.sh"
setup

start -InhibitShutdown
wait_log Start
check_ok "idle count reaches 3 with the pointer still" \
    drv wait-text "$MAIN" Counter "No key or mouse activity for the last 3s" 15000
xdotool mousemove 200 150
check_ok "a pointer move sets the count back to 0" \
    drv wait-text "$MAIN" Counter "No key or mouse activity for the last 0s" 3000
check "the activity mark says mouse" "M" "$(drv text "$MAIN" CPULoad)"
check_ok "counting starts again" \
    drv wait-text "$MAIN" Counter "No key or mouse activity for the last 2s" 4000
check "the mark clears when idle" "" "$(drv text "$MAIN" CPULoad)"

xdotool key shift
check_ok "a key press sets the count back to 0" \
    drv wait-text "$MAIN" Counter "No key or mouse activity for the last 0s" 3000
check "the activity mark says keys" "K" "$(drv text "$MAIN" CPULoad)"
drv wait-text "$MAIN" Counter "No key or mouse activity for the last 1s" 4000 >/dev/null
xdotool keydown a
check_ok "pressing a key counts" \
    drv wait-text "$MAIN" Counter "No key or mouse activity for the last 0s" 3000
check_ok "holding it does not count again" \
    drv wait-text "$MAIN" Counter "No key or mouse activity for the last 2s" 4000
xdotool keyup a
check_ok "releasing it is no activity either" \
    drv wait-text "$MAIN" Counter "No key or mouse activity for the last 3s" 3000
drv wait-text "$MAIN" Counter "No key or mouse activity for the last 4s" 3000 >/dev/null
xdotool keydown b mousemove 300 200
check_ok "keys and pointer in the same second" \
    drv wait-text "$MAIN" Counter "No key or mouse activity for the last 0s" 3000
check "the activity mark says both" "K+M" "$(drv text "$MAIN" CPULoad)"
xdotool keyup b

# Another program that polls the keys (a hot-key tool) takes the "pressed
# since the previous query" bit before us: a tap typed into its window
# between two samples never reaches the poll, only the session's last-input
# time, and the mark says so. Whether the poll sees a tap is a race (the
# thief polls every few ms, Wine caches its answers for 50 ms), so a tap the
# poll did see ("K") is tried again.
drv steal-keys "Key thief" >"$work/thief" &
thief=$!
drv wait "Key thief" 10000 >/dev/null
drv wait-text "$MAIN" Counter "No key or mouse activity for the last 2s" 4000 >/dev/null
seen=never
for _ in 1 2 3 4; do
    xdotool key shift
    if drv watch "$MAIN" CPULoad "K/M" 2500 >/dev/null; then seen=K/M; break; fi
done
check "a tap another program took counts through the last-input time" "K/M" "$seen"
drv close "Key thief" >/dev/null
wait "$thief" || true
check_match "the other program did take the taps" "^took [1-9]" "$(tr -d '\r' <"$work/thief")"

check_ok "countdown reached" drv wait-text "$MAIN" Counter "The Computer Will Power Off In 4s" 15000
xdotool mousemove 600 500 key shift mousemove 610 520
drv watch "$MAIN" Counter "The Computer Will Power Off In 0s" 10000 >"$work/seen" || true
check "countdown goes on regardless of the pointer" "The Computer Will Power Off In 0s" \
    "$(tail -1 "$work/seen")"
check "no mark during the countdown" "" "$(drv text "$MAIN" CPULoad)"
drv click "Dormix Lite Simulate Power Off" OK >/dev/null
wait_ended "program ends after OK"

expected=" Start    , Initialise, Count:   2
 Enter    , Run       , Count:   0
 Enter    , Power Off , Count:   0
 Power Off, Simulate  , Count:   6"
check "log: the countdown was neither reset nor restarted" "$expected" "$(log_entries)"
finish
