#!/usr/bin/env bash
# The About window: modal over a disabled main window, its texts, a
# countdown from 4 with -InhibitShutdown, closing itself through the main
# timer, the cycle standing still meanwhile and resuming afterwards; and the
# Close button. Nothing of it reaches the log.
source "$(dirname "$0")/lib.sh"
setup
ABOUT="About Dormix Lite"

start -InhibitShutdown
wait_log Start
check_ok "About pressed while monitoring" \
    drv click-on-text "$MAIN" About Counter "No key or mouse activity for the last 1s" 10000
check_ok "About opens" drv wait "$ABOUT" 5000
drv watch "$ABOUT" TMessage "About will close in 1 sec" 10000 >"$work/seen" &
watcher=$!
check "name, version, link, copyright" \
    "Dormix Lite|Version 2.1|dormix-lite.example.org|(c) 2026 Dormix Lite authors" \
    "$(drv text "$ABOUT" ProgName)|$(drv text "$ABOUT" ProgVersion)|$(drv text "$ABOUT" WebSite)|$(drv text "$ABOUT" Copyright)"
check_match "About: no title-bar buttons, 164x312" 'sysmenu=0 minbox=0 maxbox=0 .* client=164x312' \
    "$(drv state "$ABOUT")"
check "main window disabled while About is open" "enabled=0" \
    "$(drv state "$MAIN" | grep -oE 'enabled=[01]')"
check "the Close button has the focus" "ExitAbout" "$(drv focus "$ABOUT")"
frozen=$(drv text "$MAIN" Counter)
wait "$watcher" || true
check "countdown line from 4" $'About will close in 4 sec\nAbout will close in 3 sec\nAbout will close in 2 sec\nAbout will close in 1 sec' \
    "$(grep -v '^$' "$work/seen")"
check "first second: empty countdown line" "" "$(head -1 "$work/seen")"
check_ok "About closes itself" drv gone "$ABOUT" 3000
check "the cycle stood still while About was open" "$frozen" "$(drv text "$MAIN" Counter)"
check "main window enabled again" "enabled=1" "$(drv state "$MAIN" | grep -oE 'enabled=[01]')"
check_ok "the cycle resumes" drv wait-text "$MAIN" Counter "No key or mouse activity for the last 2s" 3000

drv click "$MAIN" About >/dev/null
check_ok "About opens again" drv wait "$ABOUT" 5000
read -r x y w h < <(drv rect "$ABOUT" WebSite)
link_colours() { import -window root -crop "${w}x${h}+$x+$y" +repage -depth 8 txt:- | grep -oE '#[0-9A-F]{6}' | sort -u | xargs; }
check_match "link drawn green, underlined text on the white panel" '#006600' "$(link_colours)"
xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
sleep 0.5
check_match "a real click on the link turns it orange" '#FF8000' "$(link_colours)"
check "About stays open after the click" 1 "$(drv count "$ABOUT")"
drv click "$ABOUT" ExitAbout >/dev/null
check_ok "Close button closes it" drv gone "$ABOUT" 2000
# The click moved the pointer: once resumed, the cycle sees it and counts from 0.
check_ok "the cycle resumes" drv wait-text "$MAIN" Counter "No key or mouse activity for the last 1s" 4000
drv close "$MAIN" >/dev/null
wait_ended "closing ends the program"

expected=" Start    , Initialise, Count:   2
 Enter    , Run       , Count:   0"
check "log: nothing from the About window" "$expected" "$(log_entries | head -2)"
check_match "log: exit" '^ Exit     , (Run       |Shutdown  ), Count: +[0-9]+$' "$(log_entries | sed -n 3p)"
finish
