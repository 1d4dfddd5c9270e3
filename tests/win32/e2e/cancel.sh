#!/usr/bin/env bash
# Cancel during the countdown logs ("Reset", "Power Off") with the number of
# countdown steps taken and sends the window back to the tray when the
# countdown brought it out; a window the user opened from the tray (a real
# double-click on the icon) stays open. The countdown's colours are on screen.
source "$(dirname "$0")/lib.sh"
setup

start -InhibitShutdown
wait_log Start
check "icon in the notification area after start" icon "$(tray_icon_becomes icon)"

# 1. The countdown brings the window out of the tray.
check_ok "countdown reached" drv wait-text "$MAIN" Counter "The Computer Will Power Off In 5s" 20000
check "no icon during the countdown" none "$(tray_icon_becomes none)"
read -r x y w h < <(drv rect "$MAIN" Counter)
check "counter drawn white on orange: background" "#FF8000" "$(pixel $((x + 2)) $((y + 2)))"
check "window on top, Exit disabled" "topmost=1 0" \
    "$(drv state "$MAIN" | grep -oE 'topmost=[01]') $(drv enabled "$MAIN" Exit)"
check_ok "Cancel pressed while showing 4s" \
    drv click-on-text "$MAIN" Reset Counter "The Computer Will Power Off In 4s" 5000
check_ok "activation starts again" drv wait-text "$MAIN" Counter "Program Activation In 2s" 2000
check "back in the tray" "visible=0 iconic=1 topmost=0" \
    "$(drv state "$MAIN" | grep -oE 'visible=[01] iconic=[01] topmost=[01]')"
check "button reads Reset, others enabled" "Reset 1 1 1" \
    "$(drv text "$MAIN" Reset) $(drv enabled "$MAIN" TestS) $(drv enabled "$MAIN" About) $(drv enabled "$MAIN" Exit)"
check "icon back in the notification area" icon "$(tray_icon_becomes icon)"
read -r x y w h < <(drv rect "$MAIN" Counter)

# 2. The user opens the window from the tray; it stays out after Cancel.
double_click_tray
check "double-click on the icon opens the window" "visible=1 iconic=0" \
    "$(sleep 0.5; drv state "$MAIN" | grep -oE 'visible=[01] iconic=[01]')"
check "the icon goes while the window is out" none "$(tray_icon_becomes none)"
check "focus back on the button last used" "Reset" "$(drv focus "$MAIN")"
state=$(drv state "$MAIN")
left=$(grep -oE 'left=-?[0-9]+' <<<"$state" | cut -d= -f2)
width=$(grep -oE 'width=[0-9]+' <<<"$state" | cut -d= -f2)
check "window centred on the screen" "$(( (1024 - width) / 2 ))" "$left"
check_ok "Cancel pressed while showing 5s" \
    drv click-on-text "$MAIN" Reset Counter "The Computer Will Power Off In 5s" 20000
check_ok "activation starts again" drv wait-text "$MAIN" Counter "Program Activation In 2s" 2000
check "window stays open, not on top" "visible=1 iconic=0 topmost=0" \
    "$(drv state "$MAIN" | grep -oE 'visible=[01] iconic=[01] topmost=[01]')"
read -r x y w h < <(drv rect "$MAIN" Counter)
read -r tx ty tw th < <(drv rect "$MAIN" TestS)
face=$(pixel $((tx + tw + 20)) $((ty + 5)))  # the window's own background, between two buttons
check "counter back on button face" "$face" "$(pixel $((x + 2)) $((y + 2)))"
drv close "$MAIN" >/dev/null
wait_ended "closing ends the program"

expected=" Start    , Initialise, Count:   2
 Enter    , Run       , Count:   0
 Enter    , Power Off , Count:   0
 Reset    , Power Off , Count:   3
 Enter    , Run       , Count:   0
 Enter    , Power Off , Count:   0
 Reset    , Power Off , Count:   2"
check "log" "$expected" "$(log_entries | head -n -1)"
# The screen checks above take a moment: the activation may have ticked.
check_match "log: exit" '^ Exit     , Initialise, Count:   [12]$' "$(log_entries | tail -1)"
finish
