#!/usr/bin/env bash
# The keyboard alone, through the X server: in every window Enter presses
# the focused button and only that one, whichever way it got the focus, and
# Escape does nothing; closing About hands the keyboard back to the main
# window; the countdown passes the focus from the buttons it disables to
# Cancel.
source "$(dirname "$0")/lib.sh"
setup
ABOUT="About Dormix Lite"
NOTICE="Dormix Lite Start Up Error"

start
wait_log Start
double_click_tray
check_ok "the window opened from the tray" drv wait-text "$MAIN" Reset Reset 3000
check "focus on Test" "TestS" "$(drv focus "$MAIN")"
xdotool key Escape Return
check_ok "Enter presses Test" drv wait "$MAIN - Test Mode" 3000
xdotool key Tab Return
check_ok "Tab, Enter presses Reset" drv wait "$MAIN" 3000
xdotool key Tab
read -r x y w h < <(drv rect "$MAIN" Reset)
xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1  # Reset by the mouse: it takes the focus
resets() { log_entries | grep -c 'Reset    ,'; }
for _ in $(seq 60); do [ "$(resets)" -ge 2 ] && break; sleep 0.05; done
check "the click pressed Reset" 2 "$(resets)"
check "the default frame follows the focus" "Reset Reset" "$(drv focus "$MAIN") $(drv default "$MAIN")"
xdotool key Return
xdotool key Tab Return
check_ok "Tab, Enter opens About" drv wait "$ABOUT" 3000
check "Close has the focus" "ExitAbout" "$(drv focus "$ABOUT")"
xdotool key Escape
drv wait-text "$ABOUT" TMessage "About will close in 29 sec" 4000 >/dev/null
check "Escape leaves About open" 1 "$(drv count "$ABOUT")"
xdotool key Return
check_ok "Enter closes About" drv gone "$ABOUT" 3000
check "the keyboard is back on About's button" "About" "$(drv focus "$MAIN")"
xdotool key Return
check_ok "Enter opens About again" drv wait "$ABOUT" 3000
xdotool key Return
check_ok "and closes it" drv gone "$ABOUT" 3000

start
check_ok "a second copy shows the notice" drv wait "$NOTICE" 10000
# Keys go where the X focus is: wait until the notice has it.
for _ in $(seq 50); do
    [ "$(xdotool getwindowfocus getwindowname 2>/dev/null)" = "$NOTICE" ] &&
        [ "$(drv focus "$NOTICE")" = Exit ] && break
    sleep 0.1
done
xdotool key Escape Return
check_ok "Enter presses its OK" drv gone "$NOTICE" 3000
drv close "$MAIN" >/dev/null
wait_ended "closing ends the program"
check "log: Enter on Test, then Reset three times: Tab, the click, Enter" "*Enter *Reset Reset Reset" \
    "$(log_entries | grep -E '^.(Enter    , Test|Reset)' | cut -c1-6 | xargs)"

# The countdown disables Test, which has the focus: it passes to Cancel.
start -InhibitShutdown
wait_log Start
double_click_tray
check_ok "the window opened from the tray" drv wait-text "$MAIN" Reset Reset 3000
check_ok "countdown" drv wait-text "$MAIN" Counter "The Computer Will Power Off In 5s" 20000
check "the focus moved to Cancel" "Reset" "$(drv focus "$MAIN")"
xdotool key Return
check_ok "Enter presses Cancel" drv wait-text "$MAIN" Reset Reset 3000
drv close "$MAIN" >/dev/null
wait_ended "closing ends the program"
check_match "log: cancelled" ' Reset    , Power Off , Count:   [1-6]' "$(log_entries | tail -2 | head -1)"
finish
