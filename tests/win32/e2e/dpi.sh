#!/usr/bin/env bash
# At 144 dpi every window and control scales from the same twips: the main
# window's client area is 726 x 101 px instead of 484 x 67.
source "$(dirname "$0")/lib.sh"
setup
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
wineserver -k
wineserver -w
drv count "warming up" >/dev/null

start -InhibitShutdown
wait_log Start
drv traymsg "$MAIN" 515 >/dev/null
check_match "main window client area at 144 dpi" 'visible=1 .* client=726x101' "$(sleep 0.5; drv state "$MAIN")"
read -r x y w h < <(drv rect "$MAIN" Exit)
check "Exit button at 144 dpi" "98x35" "${w}x${h}"
drv click "$MAIN" About >/dev/null
check_match "About window client area at 144 dpi" 'client=246x468' "$(drv state "About Dormix Lite")"
drv click "About Dormix Lite" ExitAbout >/dev/null
drv gone "About Dormix Lite" 3000 >/dev/null
drv close "$MAIN" >/dev/null
wait_ended "closing ends the program"
finish
