#!/usr/bin/env bash
# A missing Log folder stops the program with its message and creates
# nothing; a log file deleted while the program runs stops it at the next
# entry with the missing-file message, and the file is not made again. Each
# failure also goes to the Application log as a warning.
source "$(dirname "$0")/lib.sh"
setup

rmdir Log
start_eventlog_traced "$work/eventlog1"
check_ok "directory message" drv wait "Dormix Lite Log Directory Error" 10000
check "directory message text" $'The log directory does not exist\nReinstall the program to restore the\nlog directory.\nThe program will now terminate.' \
    "$(drv text "Dormix Lite Log Directory Error" static)"
check "directory message has the warning icon" icon "$(drv boxicon "Dormix Lite Log Directory Error")"
drv click "Dormix Lite Log Directory Error" OK >/dev/null
wait_ended "the program ends after OK"
check "nothing was created" "" "$(ls -A)"

check "directory failure reported as a warning" "0x0002 0x80000065" "$(reported_events "$work/eventlog1")"
check "with the box's title" "Dormix Lite Log Directory Error" "$(reported_strings "$work/eventlog1" | head -1)"

mkdir Log
start_eventlog_traced "$work/eventlog2"
wait_log Start
rm Log/DormixL.log
check_ok "missing-file message at the next entry" drv wait "Dormix Lite Log File Error" 10000
check "missing-file message text" $'The log file is either missing or\ncorrupted. Delete the log file if\nit exists and restart the program\nThe program will now terminate' \
    "$(drv text "Dormix Lite Log File Error" static)"
check "missing-file message has the warning icon" icon "$(drv boxicon "Dormix Lite Log File Error")"
drv click "Dormix Lite Log File Error" OK >/dev/null
wait_ended "the program ends after OK"
check "the log file was not made again" "" "$(ls -A Log)"
# The entry the file refused still reaches the Application log, before the failure.
check "missing-file failure reported after the refused entry" \
    $'0x0004 0x40000001\n0x0004 0x40000002\n0x0002 0x80000066' \
    "$(reported_events "$work/eventlog2")"
expected="Dormix Lite found its log file missing and ended.

T
X

Error number: 0
Error source: 
Version: 2.1.0.8"
check "Event Viewer's text for it" "$expected" \
    "$(drv eventtext "Z:${EXE//\//\\}" 0x80000066 T X 0 "" 2.1.0.8)"
# At the session's end a log failure opens no box, which would hold the
# log-off up: the Application log gets it, and the program ends at once. An
# argument no switch uses is named on stderr first.
start_eventlog_traced "$work/eventlog3" -InhibitShutdown stray
wait_log "Enter    , Run"
rm Log/DormixL.log
check_ok "the session ends without waiting for the program" timeout 60 wine wineboot --end-session
wait_ended "the program ends at the session's end"
check "the failure reported instead of shown" \
    $'0x0004 0x40000001\n0x0004 0x40000002\n0x0004 0x40000009\n0x0002 0x80000066' \
    "$(reported_events "$work/eventlog3")"
check "the stray argument named on stderr" \
    'DormixL: ignoring "stray": the switches are -InhibitShutdown and -AllowMulti, matched exactly; this run only simulates the power-off' \
    "$(tr -d '\r' <"$work/eventlog3" | grep '^DormixL: ')"
finish
