#!/usr/bin/env bash
# The text log's failures, the system log (a journald of the test's own)
# and an administrator's settings, under Xvfb.
# One scenario per call:
#   log.sh <build-folder> <scenario>
BUILD=$1
SCENARIO=$2
# The journal and settings scenarios run in a mount namespace of their own
# (a user namespace too when not root), where they may mount over the
# journald's folders and /etc/dormix-lite.
. "$(dirname "${BASH_SOURCE[0]}")/private-mounts.sh"
[[ $SCENARIO =~ ^(journal|settings)$ ]] && in_private_mounts "$0" "$@"
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# (f) No Log folder: the message, nothing created. The file deleted while
# running: the missing-file message at the next entry.
scenario_log_missing() {
  start_display
  rmdir "$WORK/Log"
  start_program DormixL-trace
  answer_box "Dormix Lite Log Directory Error"
  traced "message warning \[Dormix Lite Log Directory Error\] The log directory does not exist \| Reinstall the program to restore the \| log directory. \| The program will now terminate." ||
    fail "directory message"
  wait_exit "$LAST_PID"
  [ $? = 1 ] || fail "exit code of a failure"
  traced "DormixL: there is no folder \"$WORK/Log\"; start the program with dormix-lite, which makes it, or create it in the working folder \(mkdir Log\)\." ||
    fail "no remedy on stderr"
  [ -e "$WORK/Log" ] && fail "the program created the Log folder"
  mkdir "$WORK/Log"
  start_program DormixL-trace -InhibitShutdown
  wait_for 20 grep -q "Enter    , Run" "$WORK/Log/DormixL.log" || fail "no Enter Run entry"
  rm "$WORK/Log/DormixL.log"  # the countdown's entry is the next write
  answer_box "Dormix Lite Log File Error"
  traced "message warning \[Dormix Lite Log File Error\] The log file is either missing or \| corrupted. Delete the log file if \| it exists and restart the program \| The program will now terminate" ||
    fail "missing-file message"
  wait_exit "$LAST_PID"
  [ $? = 1 ] || fail "exit code of a failure"
  [ -e "$WORK/Log/DormixL.log" ] && fail "the file was created again"
  # An empty file is a log whose creator never wrote the header: corrupted.
  : >"$WORK/Log/DormixL.log"
  start_program DormixL-trace
  answer_box "Dormix Lite Log File Error"
  traced "message warning \[Dormix Lite Log File Error\] The log file is either missing or \| .*" ||
    fail "empty-file message"
  wait_exit "$LAST_PID"
  [ $? = 1 ] || fail "exit code of a failure"
  [ -s "$WORK/Log/DormixL.log" ] && fail "written to a file without its header"
  return 0
}

# The system log: the whole short cycle and a log failure reach a journald
# of the test's own, entry for entry as in the text log, with our fields.
scenario_journal() {
  start_journal
  walk_short_cycle
  tr -d '\r' <"$WORK/Log/DormixL.log" | grep -E '^[0-9]{2}-.{3}-[0-9]{2} .*Count:' >"$WORK/entries"
  start_program DormixL-trace -InhibitShutdown
  wait_for 20 sh -c "[ \$(grep -c 'Enter    , Run' '$WORK/Log/DormixL.log') = 2 ]" ||
    fail "no second Enter Run entry"
  tr -d '\r' <"$WORK/Log/DormixL.log" | tail -n 2 >>"$WORK/entries"
  rm "$WORK/Log/DormixL.log"
  answer_box "Dormix Lite Log File Error"
  wait_exit "$LAST_PID"
  journal_records >"$WORK/journal.json"
  python3 - "$WORK/journal.json" "$WORK/entries" "$(id -u)" <<'PY' || fail "journal records"
import json, sys
records = [json.loads(line) for line in open(sys.argv[1])]
entries = open(sys.argv[2]).read().splitlines()
def check(what, got, want):
    if got != want:
        sys.exit(f"{what}: {got!r} != {want!r}")
# The entry the removed file refused reaches the journal, before the failure.
check("count", len(records), len(entries) + 2)
for rec, line in zip(records, entries):
    check("MESSAGE", rec["MESSAGE"], line)
    check("priority", rec["PRIORITY"], "6")
    check("uid", rec["_UID"], sys.argv[3])
    check("version", rec["DORMIX_VERSION"], "2.1.0.8")
    check("modes", (rec["DORMIX_TEST_MODE"], rec["DORMIX_INHIBIT_SHUTDOWN"]), ("0", "1"))
    check("words", (rec["DORMIX_ACTION"], rec["DORMIX_DETAIL"], rec["DORMIX_COUNT"]),
          tuple(w.strip() for w in line[20:].replace(", Count:", ",").split(",")))
check("kinds", [(r["DORMIX_EVENT_ID"], r["DORMIX_PHASE"]) for r in records[:-1]],
      [("1", "Activation"), ("2", "Monitoring"), ("4", "Countdown"), ("6", "Countdown"),
       ("1", "Activation"), ("2", "Monitoring"), ("4", "Countdown")])
failure = records[-1]
check("failure", (failure["PRIORITY"], failure["DORMIX_EVENT_ID"], failure["DORMIX_TITLE"]),
      ("4", "102", "Dormix Lite Log File Error"))
check("failure text", failure["MESSAGE"],
      "Dormix Lite Log File Error\nThe log file is either missing or\ncorrupted. Delete the log "
      "file if\nit exists and restart the program\nThe program will now terminate")
PY
  # At the session's end (a signal) a log failure opens no box that would
  # hold the log-off up: the journal gets it, and the program ends at once.
  start_program DormixL-trace
  wait_trace "Counter.caption=No key or mouse activity for the last 1s"
  rm "$WORK/Log/DormixL.log"
  kill -TERM "$LAST_PID"
  wait_exit "$LAST_PID" 5
  [ $? = 1 ] || fail "exit status of a failed end"
  traced "message .*" && fail "a box at the session's end"
  # A refused start, mirrored with an id of its own.
  rm -f "$WORK/run/Dormix" && mkdir "$WORK/run/Dormix" || fail "no folder in the marker's place"
  start_program DormixL-trace
  answer_box "Dormix Lite Start Up Error"
  wait_exit "$LAST_PID"
  rmdir "$WORK/run/Dormix"
  [ "$(journal_records | python3 -c '
import json, sys
for r in [json.loads(l) for l in sys.stdin if "DORMIX_TITLE" in l][-2:]:
    print(r["DORMIX_EVENT_ID"], r["PRIORITY"], r["DORMIX_TITLE"])')" = \
    "102 4 Dormix Lite Log File Error
121 4 Dormix Lite Start Up Error" ] || fail "session-end failure and refusal in the journal"

  # A file system without locks: the log is begun whole and written
  # unlocked, with one warning on stderr and one in the journal.
  rm -f "$WORK/Log/DormixL.log"
  PROGRAM_ENV=(LD_PRELOAD="$BUILD/libfault_shim.so" DORMIX_SHIM_NO_LOCK=1)
  start_program DormixL-trace -InhibitShutdown
  answer_box "Dormix Lite Simulate Power Off" 40
  wait_exit "$LAST_PID" || fail "exit code without locks"
  PROGRAM_ENV=()
  [ "$(log_lines | sed -n 3p)" = "File Created" ] || fail "no header without locks"
  log_lines | tail -n 1 | grep -qx " Power Off, Simulate  , Count:   6" || fail "cycle without locks"
  [ "$(grep -c "cannot lock files (No locks available): entries are written without" "$TRACE")" = 1 ] ||
    fail "not one warning on stderr"
  [ "$(journal_records | grep -c '"DORMIX_EVENT_ID":"105"')" = 1 ] || fail "not one warning in the journal"
  # A journald that reads nothing holds nothing up: the same cycle, in time.
  hang_journal
  rm -f "$WORK/Log/DormixL.log"
  start_program DormixL-trace -InhibitShutdown
  answer_box "Dormix Lite Simulate Power Off" 40
  wait_exit "$LAST_PID" || fail "exit code with a hung journal"
  [ "$(counter_captions | grep -c 'Power Off In')" = 7 ] || fail "countdown with a hung journal"
  log_lines | tail -n 1 | grep -qx " Power Off, Simulate  , Count:   6" ||
    fail "the text log did not get the whole cycle"
}

# An administrator's settings: a file and two drop-ins, one of them writable
# by others and so passed over with a warning. The normal cycle runs with
# the configured numbers, to the power-off; the journal gets the warning
# and the settings in force; the text log nothing more than before. Then
# a copy the administrator keeps running (settings_kept_running).
scenario_settings() {
  start_journal
  use_private_conf
  printf '# the room\nIdleLimitSeconds = 60\nCountdownSeconds=30\nHoldLimitSeconds=1800\n' >"$CONF/dormix-lite.conf"
  printf 'CountdownSeconds=10\n' >"$CONF/conf.d/50-room.conf"
  printf 'IdleLimitSeconds=9999\n' >"$CONF/conf.d/90-open.conf"
  chmod 666 "$CONF/conf.d/90-open.conf"
  local warning="$CONF/conf.d/90-open.conf: writable by others; ignored."
  local in_force="IdleLimitSeconds=60 ($CONF/dormix-lite.conf, line 2)
CountdownSeconds=10 ($CONF/conf.d/50-room.conf, line 1)
HoldLimitSeconds=1800 ($CONF/dormix-lite.conf, line 4)
AllowExit=1 (default)
Action=PowerOff (default)
Schedule=none (default)"
  "$BUILD/DormixL" --settings >"$WORK/settings" 2>"$WORK/settings.err" || fail "--settings status"
  [ "$(cat "$WORK/settings")" = "$in_force" ] || fail "--settings printed: $(cat "$WORK/settings")"
  [ "$(cat "$WORK/settings.err")" = "DormixL: $warning" ] || fail "--settings warned: $(cat "$WORK/settings.err")"

  start_display
  start_mock_logind '{"CanPowerOff": "yes"}'
  start_program DormixL-fast
  wait_exit "$LAST_PID" 30 || fail "exit code"
  traced "DormixL: $warning" || fail "no warning on stderr"
  traced "Title.caption=Power Off the computer if there is no input activity for over 60 sec" ||
    fail "title"
  local expected=("Program Activation In 2s" "Program Activation In 1s" "Program Activation In 0s")
  for i in $(seq 1 60); do expected+=("No key or mouse activity for the last ${i}s"); done
  for i in $(seq 10 -1 0); do expected+=("The Computer Will Power Off In ${i}s"); done
  [ "$(counter_captions)" = "$(printf '%s\n' "${expected[@]}")" ] ||
    { counter_captions >&2; fail "counter texts"; }
  expect_log "${FIRST_START[@]}" "$ENTRY_START" "$ENTRY_RUN" "$ENTRY_ENTER_OFF" \
    " Close    , Power Off , Count:  10"
  grep -qE "PowerOff False$" "$WORK/logind.calls" || fail "no forced PowerOff"
  journal_records >"$WORK/journal.json"
  python3 - "$WORK/journal.json" "$warning" "$in_force" <<'PY' || fail "journal records"
import json, sys
records = [json.loads(line) for line in open(sys.argv[1])]
got = [(r["DORMIX_EVENT_ID"], r["PRIORITY"], r["MESSAGE"]) for r in records[:3]]
want = [("130", "4", "Dormix Lite Settings\n" + sys.argv[2]),
        ("131", "6", "Dormix Lite Settings\n" + sys.argv[3]), ("1", "6", got[2][2])]
if got != want:
    sys.exit(f"{got!r} != {want!r}")
PY
  settings_kept_running
}

# AllowExit=0 and a window without a limit all week: the launcher leaves the
# autostart as it is, Exit is disabled and says why, the close box puts the
# window back in the tray, and the desktop's end (SIGTERM) still ends the
# program with its entry. The start names both settings and the window.
settings_kept_running() {
  rm -f "$CONF"/conf.d/*.conf "$LOG_FILE"
  printf 'AllowExit=0\nSchedule=Mon-Sun 00:00-24:00 never\n' >"$CONF/dormix-lite.conf"
  local window="Mon-Sun 00:00-24:00 never ($CONF/dormix-lite.conf, line 2)"
  "$BUILD/DormixL" --settings >"$WORK/settings" || fail "--settings status"
  grep -qx "AllowExit=0 ($CONF/dormix-lite.conf, line 1)" "$WORK/settings" &&
    grep -qx "Schedule=$window" "$WORK/settings" &&
    [ "$(sed -nE 's/^In force now \((Mon|Tue|Wed|Thu|Fri|Sat|Sun) [0-2][0-9]:[0-5][0-9]\): //p' \
      "$WORK/settings")" = "$window" ] || fail "--settings printed: $(cat "$WORK/settings")"
  mkdir -p "$WORK/config/autostart"
  echo kept >"$WORK/config/autostart/dormix-lite.desktop"
  XDG_CONFIG_HOME=$WORK/config "$BUILD/dormix-lite" --autostart off >"$WORK/out" 2>&1
  [ $? = 1 ] && [ "$(cat "$WORK/out")" = "dormix-lite: the administrator keeps Dormix Lite running (AllowExit=0); it still starts with the session." ] &&
    [ "$(cat "$WORK/config/autostart/dormix-lite.desktop")" = kept ] ||
    fail "--autostart off: $(cat "$WORK/out")"

  start_tray
  start_program DormixL-trace
  wait_trace "Counter.caption=No key or mouse activity for the last 1s"
  traced "Exit.enabled=0" && traced "Exit.tooltip=The administrator keeps Dormix Lite running" ||
    fail "Exit not disabled with its reason"
  traced "Title.caption=No Power Off now: the administrator's schedule keeps the computer on" ||
    fail "title of a window without a limit"
  wait_for 10 tray_icon_present || fail "no tray icon"
  double_click_tray
  local main
  main=$(wait_window "Dormix Lite")
  click_button "$main" Exit
  mark_trace
  wait_new "Counter.caption=.*"  # a tick after the click: still running
  kill -0 "$LAST_PID" || fail "Exit ended the program"
  mark_trace
  close_window "$main"
  wait_new "window hidden"
  wait_for 10 tray_icon_present || fail "the close box did not put it back in the tray"
  mark_trace
  wait_new "Counter.caption=.*"
  kill -0 "$LAST_PID" || fail "the close box ended the program"
  kill -TERM "$LAST_PID"
  wait_exit "$LAST_PID" || fail "exit code"
  expect_log "${FIRST_START[@]}" "$ENTRY_START" "$ENTRY_RUN" "~ Exit     , Run       , Count: +[0-9]+"
  journal_records | grep -F '"DORMIX_EVENT_ID":"131"' | tail -1 >"$WORK/131.json"
  python3 - "$WORK/131.json" "$CONF" "$window" <<'PY' || fail "the start's record"
import json, re, sys
text = json.loads(open(sys.argv[1]).read())["MESSAGE"]
conf, window = sys.argv[2], sys.argv[3]
if not (f"AllowExit=0 ({conf}/dormix-lite.conf, line 1)" in text and f"Schedule={window}" in text
        and re.search(r"In force now \(\w{3} \d\d:\d\d\): " + re.escape(window), text)):
    sys.exit(text)
PY
}

"scenario_$SCENARIO" || fail "scenario $SCENARIO"
echo "PASS: $SCENARIO"
