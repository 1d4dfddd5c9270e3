# Sourced by the installer tests. A throw-away Wine prefix (a copy of
# TEMPLATE, or a new one) on an Xvfb of its own, both gone at exit; sets
# work, c (drive C:) and dir (the install folder), and defines fail and the
# checks both installers share.
#   wine_session [TEMPLATE]
fail() { echo "FAIL: $*" >&2; exit 1; }

wine_session() {
  work=$(mktemp -d /tmp/dormix-pkg.XXXXXX)
  export WINEPREFIX=$work/prefix WINEARCH=win32 WINEDEBUG=-all
  # No menu entries for the host's desktop from the shortcuts.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  xvfb_pid=""
  trap wine_session_end EXIT
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || fail "Xvfb did not start"
  export DISPLAY=:$(head -1 "$work/display")
  if [ -n "${1:-}" ]; then
    cp -a "$1" "$WINEPREFIX"
  else
    wineboot --init >/dev/null 2>&1
    wineserver -w
  fi
  c=$WINEPREFIX/drive_c
  dir="$c/Program Files/Dormix Lite"
}

wine_session_end() {
  wineserver -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}

# Runs a command with a system tool (icacls, sc) replaced by a stand-in
# that fails; its status. The command's own processes have ended when it
# returns (a persistent server may stay for the watch).
#   with_failing TOOL STAND-IN COMMAND...
with_failing() {
  local sys=$c/windows/system32 tool=$1 stand_in=$2 rc=0
  shift 2
  mv "$sys/$tool.exe" "$work/$tool.exe"
  cp "$stand_in" "$sys/$tool.exe"
  WINEDLLOVERRIDES="$WINEDLLOVERRIDES;$tool.exe=n" "$@" || rc=$?
  mv -f "$work/$tool.exe" "$sys/$tool.exe"
  return $rc
}

event_source_key='HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Dormix Lite'
watch_source_key="$event_source_key Watch"

# The installed program is registered as the Application log's source, and
# so is the watch, under a name of its own and with the same message table.
check_event_source() {
  local reg key
  for key in "$event_source_key" "$watch_source_key"; do
    reg=$(wine reg query "$key" 2>/dev/null | tr -d '\r' || true)
    grep -qi 'EventMessageFile *REG_SZ *C:\\Program Files\\Dormix Lite\\DormixL.exe$' <<<"$reg" ||
      fail "no event source $key: $reg"
    grep -q 'TypesSupported *REG_DWORD *0x7$' <<<"$reg" || fail "event source types: $reg"
  done
}

# A program just started in the install folder logs its start there within
# 30 s; then every Wine process ends.
#   await_start_entry FAILURE-MESSAGE
await_start_entry() {
  local entry=',  Start    , Initialise, Count:   2'
  for _ in $(seq 1 150); do
    grep -q "$entry" "$dir/Log/DormixL.log" 2>/dev/null && break
    sleep 0.2
  done
  grep -q "$entry" "$dir/Log/DormixL.log" || fail "$1"
  wineserver -k || true
  wineserver -w
}

# The system watch's service, as the service manager and the registry see it.
watch_key='HKLM\System\CurrentControlSet\Services\DormixLiteWatch'
# Its state (STOPPED, RUNNING, ...), or nothing when it does not exist. Into
# a file: a pipe would stay open in the service manager sc may start.
watch_state() {
  wine sc query DormixLiteWatch >"$work/sc.out" 2>/dev/null </dev/null || return 0
  tr -d '\r' <"$work/sc.out" | sed -nE 's/ *STATE *: *[0-9]+ +([A-Z_]+).*/\1/p'
}
# Registered to run as LocalSystem from the install folder with START
# (0x2 automatic, 0x4 disabled), in STATE (waited for up to 20 s).
#   check_watch START STATE
check_watch() {
  local reg state=
  reg=$(wine reg query "$watch_key" 2>/dev/null | tr -d '\r' || true)
  grep -qiE 'ImagePath +REG_(EXPAND_)?SZ +"?C:\\Program Files\\Dormix Lite\\DormixWatch.exe"?$' <<<"$reg" &&
    grep -q 'ObjectName *REG_SZ *LocalSystem$' <<<"$reg" ||
    fail "the watch service is not registered: $reg"
  grep -qE "Start +REG_DWORD +$1\$" <<<"$reg" || fail "the watch's start type is not $1: $reg"
  for _ in $(seq 1 100); do state=$(watch_state); [ "$state" = "$2" ] && return; sleep 0.2; done
  fail "the watch service is ${state:-missing}, not $2"
}

# This prefix's running copies of the installed program, one process id a
# line (other tests run theirs beside it).
copies() {
  local p
  for p in $(pgrep -f 'Dormix Lite.DormixL\.exe'); do
    grep -qzx "WINEPREFIX=$WINEPREFIX" "/proc/$p/environ" 2>/dev/null && echo "$p"
  done
  return 0
}
# Starts the installed program in its folder, as its shortcut does, and
# waits for its start entry; the copy stays running.
start_copy() {
  local entries
  entries=$(grep -c ',  Start    , Initialise' "$dir/Log/DormixL.log" 2>/dev/null || true)
  (cd "$dir" && wine "$dir/DormixL.exe" >/dev/null 2>&1 &)
  for _ in $(seq 1 150); do
    [ "$(grep -c ',  Start    , Initialise' "$dir/Log/DormixL.log" 2>/dev/null || true)" -gt "${entries:-0}" ] &&
      [ -n "$(copies)" ] && return
    sleep 0.2
  done
  fail "the installed program did not start"
}
# The copy an installer ended wrote its exit entry last, and none runs.
#   check_copy_ended WHAT
check_copy_ended() {
  [ -z "$(copies)" ] || fail "$1 left the program running"
  tail -1 "$dir/Log/DormixL.log" | grep -q ',  Exit     , ' ||
    fail "$1: the copy wrote no exit entry: $(tail -2 "$dir/Log/DormixL.log")"
}
# The install folder's files and their sums, the logs left out.
installed_files() {
  (cd "$dir" && find . -path ./Log -prune -o -path ./WatchLog -prune -o -type f -print0 | sort -z | xargs -0 md5sum)
}
