#!/usr/bin/env bash
# The system watch's unit as the package installs it: staged with the whole
# installation, its ExecStart names the installed watch; systemd-analyze
# verify finds nothing wrong (the command, the manual page it cites, the
# directives) and its offline security review keeps the exposure at 2.0 or below (its scale counts tenths).
set -euo pipefail
build=$(readlink -f "$1")
command -v systemd-analyze >/dev/null || { echo "SKIP: no systemd-analyze"; exit 77; }
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null
unit=$(find "$stage" -name dormix-lite-watch.service)
[ -n "$unit" ] || fail "the unit is not installed"
exec_start=$(sed -n 's/^ExecStart=//p' "$unit")
[ -x "$stage$exec_start" ] || fail "ExecStart=$exec_start is not what the package installs"
# verify runs the command it names and opens the manual page: both from the
# staging folder, the unit otherwise as installed.
sed "s#^ExecStart=/#ExecStart=$stage/#" "$unit" >"$stage/dormix-lite-watch.service"
MANPATH=$stage/usr/share/man systemd-analyze verify "$stage/dormix-lite-watch.service" ||
  fail "systemd-analyze verify"
systemd-analyze security --offline=yes --threshold=20 "$stage/dormix-lite-watch.service" \
  >"$stage/security" 2>&1 || { cat "$stage/security" >&2; fail "exposure above 2.0"; }
grep -qx 'WantedBy=multi-user.target' "$unit" || fail "not wanted by multi-user.target"
echo "unit verified: $(tail -1 "$stage/security")"
