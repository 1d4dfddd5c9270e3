#!/usr/bin/env bash
# At 144 dpi every window and control scales from the same twips: the main
# window's client area is 726 x 101 px instead of 484 x 67. The window is
# then wide enough for a real pointer at x = 515, the number the tray icon
# reports a double-click with: only the icon's own message may count as one.
source "$(dirname "$0")/lib.sh"
setup
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
wineserver -k
wineserver -w
drv count "warming up" >/dev/null

start -InhibitShutdown
wait_log Start
check_ok "countdown brings the window out" \
    drv wait-text "$MAIN" Counter "The Computer Will Power Off In 6s" 20000
check_match "main window client area at 144 dpi" 'visible=1 .* client=726x101' "$(drv state "$MAIN")"
read -r x y w h < <(drv rect "$MAIN" Exit)
check "Exit button at 144 dpi" "98x35" "${w}x${h}"
# Below the buttons, on the window itself: the Counter's left is 171 px
# into the client area.
below=$((y + h + 3))
read -r x y w h < <(drv rect "$MAIN" Counter)
xdotool mousemove $((x - 171 + 515)) $below
check_ok "the pointer rests at x = 515" drv wait-text "$MAIN" Counter "The Computer Will Power Off In 4s" 6000
xdotool mousemove $((x - 171 + 530)) $below
check_ok "Cancel pressed" drv click-on-text "$MAIN" Reset Counter "The Computer Will Power Off In 3s" 6000
check_ok "activation starts again" drv wait-text "$MAIN" Counter "Program Activation In 2s" 2000
check "a pointer at x = 515 is no double-click: the window went back" "visible=0 iconic=1" \
    "$(drv state "$MAIN" | grep -oE 'visible=[01] iconic=[01]')"
double_click_tray
check_match "the icon's double-click opens it" 'visible=1 iconic=0' "$(sleep 0.5; drv state "$MAIN")"
drv click "$MAIN" About >/dev/null
check_match "About window client area at 144 dpi" 'client=246x468' "$(drv state "About Dormix Lite")"
drv click "About Dormix Lite" ExitAbout >/dev/null
drv gone "About Dormix Lite" 3000 >/dev/null
drv close "$MAIN" >/dev/null
wait_ended "closing ends the program"
finish
