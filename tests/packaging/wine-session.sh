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

# Runs a command with icacls.exe replaced by a stand-in that fails; its status.
#   with_failing_icacls STAND-IN COMMAND...
with_failing_icacls() {
  local sys=$c/windows/system32 stand_in=$1 rc=0
  shift
  mv "$sys/icacls.exe" "$work/icacls.exe"
  cp "$stand_in" "$sys/icacls.exe"
  WINEDLLOVERRIDES="$WINEDLLOVERRIDES;icacls.exe=n" "$@" || rc=$?
  wineserver -w
  mv -f "$work/icacls.exe" "$sys/icacls.exe"
  return $rc
}

event_source_key='HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Dormix Lite'

# The installed program is registered as the Application log's source.
check_event_source() {
  local reg
  reg=$(wine reg query "$event_source_key" 2>/dev/null | tr -d '\r' || true)
  grep -qi 'EventMessageFile *REG_SZ *C:\\Program Files\\Dormix Lite\\DormixL.exe$' <<<"$reg" ||
    fail "no event source: $reg"
  grep -q 'TypesSupported *REG_DWORD *0x7$' <<<"$reg" || fail "event source types: $reg"
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
