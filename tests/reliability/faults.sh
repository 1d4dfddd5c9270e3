#!/usr/bin/env bash
# Fault and abuse runs of the Linux program under Xvfb, one scenario per call:
#   faults.sh <build-folder> <scenario>
# Each asserts that the log loses nothing and holds only whole lines, and that
# the user gets the right message. Exit 77 means the machine cannot stage the
# fault (ctest reports it as skipped).
BUILD=$1
SCENARIO=$2
. "$(dirname "${BASH_SOURCE[0]}")/../linux/e2e/lib.sh"

DIR_TITLE="Dormix Lite Log Directory Error"
FILE_TITLE="Dormix Lite Log File Error"
ENTRY_START=" Start    , Initialise, Count:   2"
STAMP='[0-3][0-9]-[A-Z][a-z][a-z]-[0-9][0-9] [0-2][0-9]:[0-5][0-9]:[0-5][0-9]'
ENTRY="$STAMP, [ *][A-Za-z ]{9}, [A-Za-z ]{10}, Count:[-0-9 ]{4}"

# Every line ends in CR LF and every entry has the fixed layout: nothing half
# written, nothing run together.
check_whole_lines() {
  local file=${1:-$WORK/Log/DormixL.log}
  [ "$(tail -c 2 "$file" | od -An -c | tr -d ' ')" = '\r\n' ] || fail "the log does not end in CR LF"
  [ "$(grep -c $'\r$' "$file")" = "$(wc -l <"$file")" ] || fail "a line without CR LF"
  local bad
  bad=$(tr -d '\r' <"$file" | grep -vxE "$ENTRY|$STAMP|Dormix Lite|Version 2\.1|File Created|" | head -3)
  [ -z "$bad" ] || fail "malformed lines: $bad"
}

# The Log folder disappears while the program runs: the next entry stops it
# with the directory message, and nothing is created again; a later start
# in a restored folder begins a fresh file.
scenario_log_folder_removed() {
  start_display
  start_program DormixL-trace
  wait_trace "Counter.caption=Program Activation In 1s"
  rm -rf "$WORK/Log"
  answer_box "$DIR_TITLE"
  traced "message warning \[$DIR_TITLE\] The log directory does not exist \| .*" || fail "message"
  wait_exit "$LAST_PID"
  [ -e "$WORK/Log" ] && fail "the folder came back"
  traced "tray delete" || fail "icon left behind"
  mkdir "$WORK/Log"
  start_program DormixL-trace
  wait_trace "Counter.caption=Program Activation In 1s"
  kill -TERM "$LAST_PID"
  wait_exit "$LAST_PID"
  expect_log "${FIRST_START[@]}" "$ENTRY_START" " Exit     , Initialise, Count:   1"
}

# A folder takes the log file's place: the running program reports the file
# as missing, and a new start cannot create its file there.
scenario_log_file_becomes_folder() {
  start_display
  start_program DormixL-trace
  wait_trace "Counter.caption=Program Activation In 1s"
  rm "$WORK/Log/DormixL.log"
  mkdir "$WORK/Log/DormixL.log"
  answer_box "$FILE_TITLE"
  traced "message warning \[$FILE_TITLE\] The log file is either missing or \| .*" || fail "message"
  wait_exit "$LAST_PID"
  start_program DormixL-trace
  answer_box "$FILE_TITLE"
  traced "message warning \[$FILE_TITLE\] Unable to create the log file DormixL.log \| This may be a permissions problem. \| The program will now terminate." ||
    fail "create message"
  wait_exit "$LAST_PID"
  [ -d "$WORK/Log/DormixL.log" ] || fail "the folder was touched"
}

# A user who may not write the log (root's file, an ordinary account): the
# banner cannot be written, the message says so, the file is untouched.
scenario_unprivileged_write() {
  start_display
  mkdir -p "$WORK/nobody-run"
  chown nobody "$WORK/nobody-run"
  chmod 755 "$WORK" "$WORK/Log"
  printf 'Dormix Lite\r\nVersion 2.1\r\nFile Created\r\n01-Dec-26 08:00:00\r\n' >"$WORK/Log/DormixL.log"
  chmod 644 "$WORK/Log/DormixL.log"
  local before
  before=$(md5sum <"$WORK/Log/DormixL.log")
  setpriv --reuid=nobody --regid=nogroup --clear-groups true 2>/dev/null || exit 77
  N=$((N + 1))
  TRACE=$WORK/trace$N
  (cd "$WORK" && XDG_RUNTIME_DIR=$WORK/nobody-run HOME=$WORK/nobody-run \
    exec setpriv --reuid=nobody --regid=nogroup --clear-groups "$BUILD/DormixL-trace") \
    2>"$TRACE" >/dev/null &
  LAST_PID=$!
  PIDS+=($LAST_PID)
  answer_box "$FILE_TITLE"
  traced "message warning \[$FILE_TITLE\] Unable to write to the log file  \| This may be a permissions problem. \| The program will now terminate" ||
    fail "write message"
  wait_exit "$LAST_PID"
  [ "$(md5sum <"$WORK/Log/DormixL.log")" = "$before" ] || fail "the log changed"
}

# The disk fills up in the middle of an entry: the part that went to disk is
# taken back, so the log ends with the last whole line.
scenario_disk_full() {
  mount -t tmpfs -o size=8k,mode=755 dormix-full "$WORK/Log" 2>/dev/null || exit 77
  trap 'umount "$WORK/Log" 2>/dev/null; cleanup' EXIT
  head -c 4096 /dev/zero >"$WORK/Log/filler"
  # A first start's header (60 bytes) and 71 earlier entries (56 each) fill
  # the second page but 60 bytes: the banner (32) fits, the Start entry does not.
  {
    printf 'Dormix Lite\r\nVersion 2.1\r\nFile Created\r\n01-Dec-26 08:00:00\r\n'
    for _ in $(seq 1 71); do printf '01-Dec-26 08:00:00,  Enter    , Run       , Count:   0\r\n'; done
  } >"$WORK/Log/DormixL.log"
  [ "$(stat -c %s "$WORK/Log/DormixL.log")" = 4036 ] || fail "set-up"
  start_display
  start_program DormixL-trace
  answer_box "$FILE_TITLE"
  traced "message warning \[$FILE_TITLE\] Unable to write to the log file  \| .*" || fail "message"
  wait_exit "$LAST_PID"
  check_whole_lines
  tr -d '\r' <"$WORK/Log/DormixL.log" | tail -5 | tr '\n' '|' | grep -qx '||Dormix Lite|Version 2.1||' ||
    fail "the log does not end with the banner: $(tail -c 80 "$WORK/Log/DormixL.log" | od -c | tail -4)"
}

# A file-size limit below the log's next line: the write fails instead of
# killing the program, the message says so, and the part that went to disk
# is taken back.
scenario_file_size_limit() {
  # 60 bytes of header and 1168 entries: the banner (32) fits under 64 KiB,
  # the Start entry (56) crosses it.
  {
    printf 'Dormix Lite\r\nVersion 2.1\r\nFile Created\r\n01-Dec-26 08:00:00\r\n'
    for _ in $(seq 1 1168); do printf '01-Dec-26 08:00:00,  Enter    , Run       , Count:   0\r\n'; done
  } >"$WORK/Log/DormixL.log"
  [ "$(stat -c %s "$WORK/Log/DormixL.log")" = 65468 ] || fail "set-up"
  start_display
  N=$((N + 1))
  TRACE=$WORK/trace$N
  (cd "$WORK" && ulimit -f 64 && exec "$BUILD/DormixL-trace") 2>"$TRACE" >/dev/null &
  LAST_PID=$!
  PIDS+=($LAST_PID)
  answer_box "$FILE_TITLE"
  traced "message warning \[$FILE_TITLE\] Unable to write to the log file  \| .*" || fail "message"
  wait_exit "$LAST_PID"
  local rc=$?
  [ $rc = 1 ] || fail "status $rc: killed by the limit, or the failure not in the status"
  [ "$(stat -c %s "$WORK/Log/DormixL.log")" = 65500 ] || fail "size $(stat -c %s "$WORK/Log/DormixL.log")"
  check_whole_lines
}

# Killed without warning at any moment: the log holds only whole lines.
scenario_sigkill() {
  start_display
  local i
  for i in $(seq 1 12); do
    start_program DormixL-fast -InhibitShutdown -AllowMulti
    wait_for 10 sh -c "[ \$(grep -c 'Start    , Initialise' '$WORK/Log/DormixL.log' 2>/dev/null) = $i ]" ||
      fail "start $i not logged"
    sleep "0.$((RANDOM % 6))$((RANDOM % 10))"
    kill -KILL "$LAST_PID"
    wait "$LAST_PID" 2>/dev/null
  done
  check_whole_lines
  [ "$(grep -c '^File Created' "$WORK/Log/DormixL.log")" = 1 ] || fail "header written twice"
  [ "$(grep -c ',  Start    , Initialise, Count:   2' "$WORK/Log/DormixL.log")" = 12 ] ||
    fail "a start was lost"
}

# Fifty copies at the same moment: exactly one runs, the others show the
# notice; with -AllowMulti all fifty run, one creates the log with its
# header first, and all share it line by line.
scenario_fifty_copies() {
  start_display
  local i pids=()
  for i in $(seq 1 50); do
    (cd "$WORK" && exec "$BUILD/DormixL-trace") 2>"$WORK/trace-copy$i" >/dev/null &
    pids+=($!)
  done
  PIDS+=("${pids[@]}")
  wait_for 90 sh -c '[ "$(xdotool search --onlyvisible --name "^Dormix Lite Start Up Error\$" | wc -l)" = 49 ]' ||
    fail "not 49 notices: $(xdotool search --onlyvisible --name '^Dormix Lite Start Up Error$' | wc -l)"
  [ "$(grep -c 'Start    , Initialise' "$WORK/Log/DormixL.log")" = 1 ] || fail "not exactly one main copy"
  for i in "${pids[@]}"; do kill -0 "$i" || fail "a copy died"; done
  for i in "${pids[@]}"; do kill -TERM "$i"; done
  for i in "${pids[@]}"; do wait_exit "$i" 30 || fail "a copy ended badly"; done

  pids=()
  rm "$WORK/Log/DormixL.log"
  for i in $(seq 1 50); do
    (cd "$WORK" && exec "$BUILD/DormixL-trace" -AllowMulti) 2>"$WORK/trace-multi$i" >/dev/null &
    pids+=($!)
  done
  PIDS+=("${pids[@]}")
  wait_for 90 sh -c "[ \$(grep -c 'Start    , Initialise' '$WORK/Log/DormixL.log') = 50 ]" ||
    fail "not all fifty -AllowMulti copies started"
  xdotool search --onlyvisible --name '^Dormix Lite Start Up Error$' >/dev/null && fail "a notice with -AllowMulti"
  for i in "${pids[@]}"; do kill -TERM "$i"; done
  for i in "${pids[@]}"; do wait_exit "$i" 30 || fail "a copy ended badly"; done
  check_whole_lines
  [ "$(grep -c 'Exit     , ' "$WORK/Log/DormixL.log")" = 50 ] || fail "an exit entry was lost"
  [ "$(sed -n 3p "$WORK/Log/DormixL.log")" = $'File Created\r' ] || fail "the header is not first"
  [ "$(grep -c '^File Created' "$WORK/Log/DormixL.log")" = 1 ] || fail "not one header"
  for i in $(seq 1 50); do grep -q "^message" "$WORK/trace-multi$i" && fail "a copy reported a failure"; done
  return 0
}

# The wall clock jumps back an hour, then forward a day, for the program
# alone: the stamps follow the clock, the cycle (counted in ticks) does not.
scenario_clock_jump() {
  local lib=/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1
  [ -f "$lib" ] || exit 77
  start_display
  echo "+0" >"$WORK/faketime"
  N=$((N + 1))
  TRACE=$WORK/trace$N
  (cd "$WORK" && LD_PRELOAD=$lib FAKETIME_TIMESTAMP_FILE=$WORK/faketime FAKETIME_NO_CACHE=1 \
    FAKETIME_DONT_FAKE_MONOTONIC=1 exec "$BUILD/DormixL-trace" -InhibitShutdown) 2>"$TRACE" >/dev/null &
  LAST_PID=$!
  PIDS+=($LAST_PID)
  wait_trace "Counter.caption=Program Activation In 2s"
  echo "-1h" >"$WORK/faketime"
  wait_trace "Counter.caption=No key or mouse activity for the last 2s"
  echo "+1d" >"$WORK/faketime"
  answer_box "Dormix Lite Simulate Power Off" 30
  wait_exit "$LAST_PID"
  expect_log "${FIRST_START[@]}" "$ENTRY_START" " Enter    , Run       , Count:   0" \
    " Enter    , Power Off , Count:   0" " Power Off, Simulate  , Count:   6"
  # Offsets of each stamp from the real clock, in seconds.
  local now offsets=()
  now=$(date +%s)
  while IFS= read -r stamp; do
    offsets+=($(( $(date -d "$(echo "$stamp" | sed -E 's/^(..)-(...)-(..) /\1 \2 20\3 /')" +%s) - now )))
  done < <(tr -d '\r' <"$WORK/Log/DormixL.log" | grep -E "^$STAMP," | cut -c1-18)
  near() { [ $(($1 - $2)) -gt -40 ] && [ $(($1 - $2)) -lt 5 ]; }
  near "${offsets[0]}" 0 || fail "Start stamp off by ${offsets[0]} s"
  near "${offsets[1]}" -3600 || fail "Run stamp off by ${offsets[1]} s"
  near "${offsets[2]}" 86400 || fail "countdown stamp off by ${offsets[2]} s"
  near "${offsets[3]}" 86400 || fail "end stamp off by ${offsets[3]} s"
}

# Argument texts of every odd kind: the switches count only in their place.
scenario_arguments() {
  start_display
  local big
  big=$(head -c 100000 /dev/zero | tr '\0' 'x')
  local -a args limits
  args=("" "$big" "-InhibitShutdown$big" "$big-InhibitShutdown" "Ä-InhibitShutdown"
        "-InhibitShutdownÄ" " -InhibitShutdown" "-inhibitshutdown" $'-Inhibit\xffShutdown'
        "-AllowMulti -InhibitShutdown" "-InhibitShutdown -AllowMulti" $'\xfe\xff')
  limits=(900 900 6 900 900 6 900 900 900 900 6 900)
  local i
  for i in "${!args[@]}"; do
    start_program DormixL-trace "${args[i]}"
    wait_trace "Title.caption=Power Off the computer if there is no input activity for over ${limits[i]} sec" ||
      fail "case $i"
    kill -TERM "$LAST_PID"
    wait_exit "$LAST_PID" || fail "case $i ended badly"
  done
  # With one copy running, only -AllowMulti at the very end lets another run.
  start_program DormixL-trace
  local first=$LAST_PID
  wait_trace "Counter.caption=Program Activation In 2s"
  local -a multi=("-AllowMulti " "-allowmulti" "-AllowMulti$big" "$big-AllowMulti" "Ä -AllowMulti")
  local -a runs=(no no no yes yes)
  for i in "${!multi[@]}"; do
    start_program DormixL-trace "${multi[i]}"
    if [ "${runs[i]}" = yes ]; then
      wait_trace "Counter.caption=Program Activation In 2s"
    else
      wait_window "Dormix Lite Start Up Error" >/dev/null
      traced "Counter.caption=.*" && fail "multi case $i ran"
    fi
    kill -TERM "$LAST_PID"
    wait_exit "$LAST_PID" || fail "multi case $i ended badly"
  done
  kill -TERM "$first"
  wait_exit "$first"
  check_whole_lines
}

"scenario_$SCENARIO"
