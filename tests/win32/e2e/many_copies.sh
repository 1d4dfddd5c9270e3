#!/usr/bin/env bash
# Thirty copies started at once with -AllowMulti and no log yet: one
# creates it with its header first, and every entry of every copy is
# there, whole, each on its own line.
source "$(dirname "$0")/lib.sh"
setup
COPIES=30

for _ in $(seq $COPIES); do start -InhibitShutdown -AllowMulti; done
for _ in $(seq 1200); do
    [ "$(log_entries | grep -c '^ Enter    , Run ')" -ge $COPIES ] && break
    sleep 0.1
done
check "every copy logged its start" $COPIES "$(log_entries | grep -c '^ Start    , Initialise, Count:   2$')"
check "every copy logged its first phase" $COPIES "$(log_entries | grep -c '^ Enter    , Run       , Count:   0$')"
check "the header first" "File Created" "$(log_lines | sed -n 3p)"
check "one header" 1 "$(log_lines | grep -c '^File Created$')"
check "every banner whole" $((COPIES + 1)) "$(log_lines | grep -c '^Dormix Lite$')"
check "every line ends in CR LF" "$(wc -l <Log/DormixL.log)" "$(grep -c $'\r$' Log/DormixL.log)"
check "no line run together or cut" "" \
    "$(log_lines | grep -vxE 'T, [ *][A-Za-z ]{9}, [A-Za-z ]{10}, Count:[-0-9 ]{4}|T|Dormix Lite|Version 2\.1|File Created|' | head -3)"
finish
