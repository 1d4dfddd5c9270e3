# A copy left running after its program was removed or replaced would still
# switch the machine off at its next countdown. Each copy is asked to end as
# at the end of a session (SIGTERM: it writes its "Exit" entry and opens no
# box), and given a few seconds to do so.
stop_running_copies() {
  pids=
  for exe in /proc/[0-9]*/exe; do
    target=$(readlink "$exe" 2>/dev/null) || continue
    case "$target" in
      "$1") pid=${exe#/proc/}; pids="$pids ${pid%/exe}" ;;
    esac
  done
  [ -n "$pids" ] || return 0
  echo "Ending the running copies of Dormix Lite:$pids"
  kill -TERM $pids 2>/dev/null || true
  tries=0
  while [ $tries -lt 100 ]; do
    alive=
    for pid in $pids; do kill -0 "$pid" 2>/dev/null && alive="$alive $pid"; done
    [ -z "$alive" ] && return 0
    tries=$((tries + 1))
    sleep 0.1
  done
  echo "dormix-lite: these copies did not end:$alive" >&2
}
