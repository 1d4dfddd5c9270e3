#!/usr/bin/env bash
# A missing Log folder stops the program with its message and creates
# nothing; a log file deleted while the program runs stops it at the next
# entry with the missing-file message, and the file is not made again.
source "$(dirname "$0")/lib.sh"
setup

rmdir Log
start
check_ok "directory message" drv wait "Dormix Lite Log Directory Error" 10000
check "directory message text" $'The log directory does not exist\nReinstall the program to restore the\nlog directory.\nThe program will now terminate.' \
    "$(drv text "Dormix Lite Log Directory Error" static)"
check "directory message has the warning icon" icon "$(drv boxicon "Dormix Lite Log Directory Error")"
drv click "Dormix Lite Log Directory Error" OK >/dev/null
wait_ended "the program ends after OK"
check "nothing was created" "" "$(ls -A)"

mkdir Log
start
wait_log Start
rm Log/DormixL.log
check_ok "missing-file message at the next entry" drv wait "Dormix Lite Log File Error" 10000
check "missing-file message text" $'The log file is either missing or\ncorrupted. Delete the log file if\nit exists and restart the program\nThe program will now terminate' \
    "$(drv text "Dormix Lite Log File Error" static)"
check "missing-file message has the warning icon" icon "$(drv boxicon "Dormix Lite Log File Error")"
drv click "Dormix Lite Log File Error" OK >/dev/null
wait_ended "the program ends after OK"
check "the log file was not made again" "" "$(ls -A Log)"
finish
