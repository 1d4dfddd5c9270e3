#!/usr/bin/env bash
# Builds the Debian package with scripts/package in a build folder of its
# own, as an administrator would from a fresh clone, installs it with apt-get, starts the installed
# program through its launcher under Xvfb and checks that it logs privately
# in the per-user state folder and that an upgrade ends it in order, turns
# autostart on and off for the user and for every user of the machine,
# checks that the system watch comes disabled and stopped and that only root
# turns it on, and removes the package, which ends the copy still running
# and disables the watch.
set -euo pipefail
work=$(mktemp -d)
xvfb_pid=""
installed=0
cleanup() {
  [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  pkill -f '^/usr/bin/DormixL' 2>/dev/null || true
  [ $installed = 1 ] && DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq dormix-lite >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

[ "$(id -u)" = 0 ] || { echo "needs root to install a package"; exit 77; }
dpkg-query -W -f='${Status}' dormix-lite 2>/dev/null | grep -q 'install ok' &&
  { echo "dormix-lite is installed on this machine already; not touching it"; exit 77; }
sys_entry=/etc/xdg/autostart/dormix-lite.desktop
[ -e "$sys_entry" ] && { echo "$sys_entry exists on this machine already; not touching it"; exit 77; }
[ -e /etc/dormix-lite ] && { echo "/etc/dormix-lite exists on this machine already; not touching it"; exit 77; }

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
"$root/scripts/package" "$work/build" >"$work/package.out" 2>&1 ||
  fail "scripts/package: $(tail -5 "$work/package.out")"
deb=$work/build/dormix-lite_2.1.0.8_amd64.deb
[ -f "$deb" ] || fail "no $deb"
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "no Qt dependency: $(dpkg-deb -f "$deb" Depends)"

DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
installed=1
unit=/lib/systemd/system/dormix-lite-watch.service
for f in /usr/bin/DormixL /usr/bin/dormix-lite /usr/bin/dormix-report /usr/share/applications/dormix-lite.desktop \
         /usr/share/dormix-lite/dormix-lite-autostart.desktop \
         /usr/share/icons/hicolor/48x48/apps/dormix-lite.png \
         /usr/share/icons/hicolor/scalable/apps/dormix-lite.svg /usr/share/man/man1/DormixL.1.gz \
         /usr/libexec/dormix-lite/dormix-lite-watch "$unit" /usr/lib/systemd/user/dormix-lite.service; do
  [ -e "$f" ] || fail "not installed: $f"
done
for page in DormixL dormix-lite; do
  MANPATH=/usr/share/man man -P cat "$page" 2>/dev/null | grep -q -- '-InhibitShutdown' ||
    fail "no manual page $page"
done
# The settings file sets nothing, belongs to root, and upgrades keep its edits.
[ "$(stat -c %U:%a /etc/dormix-lite/dormix-lite.conf)" = root:644 ] && [ -d /etc/dormix-lite/conf.d ] ||
  fail "settings file or drop-in folder"
dpkg-query -W -f='${Conffiles}' dormix-lite | grep -q ' /etc/dormix-lite/dormix-lite.conf ' ||
  fail "the settings file is no conffile"
[ "$(dormix-lite --settings)" = $'IdleLimitSeconds=900 (default)\nCountdownSeconds=60 (default)\nHoldLimitSeconds=14400 (default)\nAllowExit=1 (default)\nAction=PowerOff (default)\nSchedule=none (default)' ] ||
  fail "dormix-lite --settings: $(dormix-lite --settings 2>&1)"

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -1 "$work/display")
export HOME=$work/home XDG_STATE_HOME=$work/state XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

log=$XDG_STATE_HOME/dormix-lite/Log/DormixL.log
start_copy() {
  dormix-lite -InhibitShutdown >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 1 100); do [ "$(grep -c 'Enter    , Run' "$log" 2>/dev/null)" = "$1" ] && break; sleep 0.1; done
  [ "$(grep -c 'Enter    , Run' "$log")" = "$1" ] || fail "copy $1 did not start monitoring"
}
# A running copy is asked to end in order by the package's scripts: its Exit
# entry is the last line.
ended_in_order() {
  for _ in $(seq 1 200); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && fail "the $1 left the copy running"
  wait "$pid" || fail "the running copy ended badly ($1)"
  tail -1 "$log" | grep -q ',  Exit     , ' || fail "no Exit entry after the $1: $(tail -1 "$log")"
}
start_copy 1
grep -q ',  Start    , Initialise, Count:   2' "$log" || fail "no Start entry in $log"
[ "$(stat -c %a "$XDG_STATE_HOME/dormix-lite")" = 700 ] || fail "the state folder is open to others"
[ "$(stat -c %a "$log")" = 600 ] || fail "the log is readable by others: $(stat -c %a "$log")"
dpkg -i "$deb" >/dev/null || fail "upgrade"
ended_in_order upgrade

dormix-lite --autostart on >/dev/null
[ -f "$XDG_CONFIG_HOME/autostart/dormix-lite.desktop" ] || fail "autostart not turned on"
grep -q '^Exec=dormix-lite$' "$XDG_CONFIG_HOME/autostart/dormix-lite.desktop" || fail "autostart entry"
dormix-lite --autostart off >/dev/null
[ ! -e "$XDG_CONFIG_HOME/autostart/dormix-lite.desktop" ] || fail "autostart not turned off"

# Every user's session: the admin's command, refused to anyone else.
dormix-lite --autostart system on >/dev/null
grep -q '^Exec=dormix-lite$' "$sys_entry" || fail "system-wide autostart entry"
[ "$(stat -c %a "$sys_entry")" = 644 ] || fail "system-wide entry not readable by all"
setpriv --reuid=65534 --regid=65534 --clear-groups dormix-lite --autostart system off \
  >/dev/null 2>&1 && fail "an ordinary user turned the system-wide start off"
[ -e "$sys_entry" ] || fail "an ordinary user removed the system-wide entry"
dormix-lite --autostart system off >/dev/null
[ ! -e "$sys_entry" ] || fail "system-wide autostart not turned off"
dormix-lite --autostart system on >/dev/null
# A user opts out of the administrator's entry with one of their own.
dormix-lite --autostart off >/dev/null
grep -qx 'Hidden=true' "$XDG_CONFIG_HOME/autostart/dormix-lite.desktop" || fail "no opt-out entry"
dormix-lite --autostart on >/dev/null
grep -q 'Hidden' "$XDG_CONFIG_HOME/autostart/dormix-lite.desktop" && fail "opt-out not taken back"

# The system watch: disabled and not running after the installation; the
# launcher's switch is root's alone, and asks systemctl (a stand-in here,
# where systemd is not the init) to enable or disable it now.
[ "$(systemctl is-enabled dormix-lite-watch.service 2>&1)" = disabled ] ||
  fail "the watch is not disabled: $(systemctl is-enabled dormix-lite-watch.service 2>&1)"
pgrep -f '^/usr/libexec/dormix-lite/dormix-lite-watch' >/dev/null && fail "the watch runs"
# A preset-all (Debian's presets enable everything) leaves it off.
systemctl preset dormix-lite-watch.service >/dev/null 2>&1 || fail "systemctl preset"
[ "$(systemctl is-enabled dormix-lite-watch.service 2>&1)" = disabled ] ||
  fail "the preset enabled the watch"
out=$(setpriv --reuid=65534 --regid=65534 --clear-groups dormix-lite --watch on 2>&1) &&
  fail "an ordinary user turned the watch on"
[ "$out" = "dormix-lite: only root turns the system watch on or off; run it as root (sudo)." ] ||
  fail "refusal: $out"
mkdir "$work/bin"
printf '#!/bin/sh\necho "$*" >>"%s"\n' "$work/systemctl.calls" >"$work/bin/systemctl"
chmod +x "$work/bin/systemctl"
PATH=$work/bin:$PATH dormix-lite --watch on | grep -q '/var/log/dormix-lite/DormixWatch.log' ||
  fail "no word of the watch's log"
# A later preset-all keeps the administrator's choice, either way.
systemctl preset dormix-lite-watch.service >/dev/null 2>&1
[ "$(systemctl is-enabled dormix-lite-watch.service 2>&1)" = enabled ] || fail "a preset undid --watch on"
PATH=$work/bin:$PATH dormix-lite --watch off >/dev/null
systemctl preset dormix-lite-watch.service >/dev/null 2>&1
[ "$(systemctl is-enabled dormix-lite-watch.service 2>&1)" = disabled ] || fail "a preset undid --watch off"
[ "$(cat "$work/systemctl.calls")" = $'enable --now dormix-lite-watch.service\ndisable --now dormix-lite-watch.service' ] ||
  fail "systemctl asked: $(cat "$work/systemctl.calls")"

# AllowExit=0 in a session the user manager runs (the stand-in says so): the
# launcher hands the program to the user unit, which systemd-analyze finds
# sound, and whose condition holds while no copy runs.
XDG_RUNTIME_DIR=$work/run systemd-analyze --user verify /usr/lib/systemd/user/dormix-lite.service ||
  fail "the user unit does not verify"
printf 'AllowExit=0\n' >/etc/dormix-lite/conf.d/50-lab.conf
: >"$work/systemctl.calls"
PATH=$work/bin:$PATH dormix-lite || fail "the hand-over's status"
[ "$(cat "$work/systemctl.calls")" = $'--user is-active --quiet graphical-session.target\n--user start dormix-lite.service' ] ||
  fail "the hand-over asked: $(cat "$work/systemctl.calls")"
pgrep -x DormixL >/dev/null && fail "the launcher ran the program beside the unit"
dormix-lite --kept-running 2>/dev/null || fail "the unit's condition with no copy running"
# Enabled for real (offline, as without a running systemd): the removal
# takes it out of the boot.
systemctl enable dormix-lite-watch.service >/dev/null 2>&1 || fail "systemctl enable"
[ "$(systemctl is-enabled dormix-lite-watch.service 2>&1)" = enabled ] || fail "not enabled"

start_copy 2
dormix-lite --kept-running 2>/dev/null && fail "the unit's condition with a copy running"
rm /etc/dormix-lite/conf.d/50-lab.conf
dormix-lite --kept-running 2>/dev/null && fail "the unit's condition without AllowExit=0"
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq dormix-lite >/dev/null
installed=0
ended_in_order removal
[ ! -e "$sys_entry" ] || fail "the system-wide entry outlived the package"
[ ! -e /usr/bin/DormixL ] || fail "not removed"
[ ! -e /etc/dormix-lite ] || fail "purge left /etc/dormix-lite"
[ ! -e /etc/systemd/system-preset/50-dormix-lite.preset ] || fail "purge left the watch's preset"
[ ! -e /etc/systemd/system/multi-user.target.wants/dormix-lite-watch.service ] ||
  fail "the removal left the watch enabled"
echo "debian package: built, installed, ran, logged in $XDG_STATE_HOME/dormix-lite, removed: ok"
