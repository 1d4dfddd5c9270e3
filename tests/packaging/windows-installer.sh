#!/usr/bin/env bash
# Installs Dormix Lite silently into a throw-away Wine prefix, checks files,
# shortcuts and the Add/Remove Programs entry, starts the program the way
# its shortcut does (working directory: the install folder) and checks that
# it logs there, then uninstalls silently, with and without the log. An
# icacls that fails first stops the install with a non-zero exit code. The
# watch's service comes registered but disabled and stopped (/WATCHDOG is no
# /WATCH), automatic and running with /WATCH, logging into WatchLog, kept so
# by a later install, off with /WATCH=0, and goes with the uninstall. A
# reinstall that fails puts back the install before it; a failed first
# install leaves nothing; uninstall and reinstall end the program's running
# copy, which writes its exit entry.
#   windows-installer.sh DormixL-setup.exe FAILING-ICACLS
set -euo pipefail
setup=$(readlink -f "$1")
policy_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../packaging/windows" && pwd)
stand_in=$(readlink -f "$2")
source "$(dirname "${BASH_SOURCE[0]}")/wine-session.sh"
wine_session
menu="$c/ProgramData/Microsoft/Windows/Start Menu/Programs"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\DormixLite'

with_failing icacls "$stand_in" wine "$setup" /S &&
  fail "installed although the Log folder's permissions could not be set"
wineserver -w
[ ! -e "$dir" ] || fail "a failed install left $(find "$dir")"
[ ! -e "$menu/Dormix Lite" ] || fail "a failed install left its Start-menu folder"
wine reg query "$key" >/dev/null 2>&1 && fail "a failed install left an Add/Remove entry"

before=$(find "$dir" 2>/dev/null | sort || true)
wine "$setup" /S /WATCH=2 && fail "/WATCH=2 accepted"
[ $? = 2 ] || fail "/WATCH=2: not status 2"
wineserver -w
[ "$(find "$dir" 2>/dev/null | sort || true)" = "$before" ] || fail "/WATCH=2 changed the install folder"
wine "$setup" /S /WATCHDOG
wineserver -w
[ -f "$dir/DormixL.exe" ] || fail "DormixL.exe not installed"
[ -f "$dir/DormixReport.exe" ] || fail "DormixReport.exe not installed"
[ -d "$dir/Log" ] && [ -d "$dir/WatchLog" ] || fail "no Log or WatchLog folder"
[ -f "$dir/Uninstall.exe" ] || fail "no uninstaller"
cmp -s "$dir/PolicyDefinitions/DormixLite.admx" "$policy_dir/DormixLite.admx" &&
  cmp -s "$dir/PolicyDefinitions/en-US/DormixLite.adml" "$policy_dir/en-US/DormixLite.adml" ||
  fail "Group Policy template not installed"
[ -f "$menu/Dormix Lite/Dormix Lite.lnk" ] || fail "no Start-menu shortcut"
[ -f "$menu/StartUp/Dormix Lite.lnk" ] || fail "no Startup shortcut"
# The shortcut starts the program in the install folder.
# Wine's shell link keeps it as UTF-16 text: read both encodings.
{ strings -a "$menu/StartUp/Dormix Lite.lnk"; strings -a -el "$menu/StartUp/Dormix Lite.lnk"; } |
  grep -qx 'C:\\Program Files\\Dormix Lite' ||
  fail "Startup shortcut has no working directory"
reg=$(wine reg query "$key" 2>/dev/null | tr -d '\r')
grep -q 'DisplayName *REG_SZ *Dormix Lite$' <<<"$reg" || fail "no DisplayName: $reg"
grep -q 'DisplayVersion *REG_SZ *2.1.0.8$' <<<"$reg" || fail "no DisplayVersion"
grep -q 'QuietUninstallString' <<<"$reg" || fail "no quiet uninstall"
check_event_source
check_watch 0x4 STOPPED

# The uninstaller, with the program running, ends it (its exit entry
# written) before taking its files; it runs on from a copy of itself.
start_copy
wine "$dir/Uninstall.exe" /S
for _ in $(seq 1 150); do [ -e "$dir/DormixL.exe" ] || break; sleep 0.2; done
[ ! -e "$dir/DormixL.exe" ] || fail "program left behind"
check_copy_ended "the uninstall"
wineserver -w
[ ! -e "$menu/Dormix Lite" ] || fail "Start-menu folder left behind"
[ ! -e "$menu/StartUp/Dormix Lite.lnk" ] || fail "Startup shortcut left behind"
[ -f "$dir/Log/DormixL.log" ] || fail "the log was not kept"
wine reg query "$key" >/dev/null 2>&1 && fail "Add/Remove entry left behind"
wine reg query "$event_source_key" >/dev/null 2>&1 && fail "event source left behind"
[ -z "$(watch_state)" ] || fail "the watch service was left behind"
[ ! -e "$dir/DormixWatch.exe" ] || fail "DormixWatch.exe left behind"
[ ! -e "$dir/DormixReport.exe" ] || fail "DormixReport.exe left behind"

# A server of our own that stays: the watch runs on after the installer.
wineserver -k 2>/dev/null || true
wineserver -w
wineserver -p
wine "$setup" /S /NOAUTOSTART /WATCH
[ -f "$dir/DormixL.exe" ] || fail "reinstall failed"
[ ! -e "$menu/StartUp/Dormix Lite.lnk" ] || fail "/NOAUTOSTART still made a Startup shortcut"
check_watch 0x2 RUNNING
for _ in $(seq 1 100); do grep -q ',  Start    , Initialise' "$dir/WatchLog/DormixWatch.log" 2>/dev/null && break; sleep 0.2; done
grep -q ',  Start    , Initialise' "$dir/WatchLog/DormixWatch.log" || fail "the watch does not log in WatchLog"
# Installed again without the option: a watch that was on stays on; /WATCH=0
# turns it off, /WATCH=1 on again.
wine "$setup" /S /NOAUTOSTART
check_watch 0x2 RUNNING
wine "$setup" /S /NOAUTOSTART /WATCH=0
check_watch 0x4 STOPPED
wine "$setup" /S /NOAUTOSTART /WATCH=1
check_watch 0x2 RUNNING
# A reinstall that fails puts back what was there (a template an
# administrator edited stands for an earlier version's files): at the
# folders' rules before any file, at the service after them. The watch runs
# on; the copy it ended stays ended.
printf '<!-- edited -->\n' >>"$dir/PolicyDefinitions/DormixLite.admx"
kept=$(installed_files)
for tool in icacls sc; do
  start_copy
  with_failing $tool "$stand_in" wine "$setup" /S /NOAUTOSTART && fail "reinstalled without $tool"
  [ "$(installed_files)" = "$kept" ] || fail "a reinstall failing at $tool changed the installed files"
  check_copy_ended "a reinstall failing at $tool"
  check_watch 0x2 RUNNING
  check_event_source
  wine reg query "$key" >/dev/null 2>&1 || fail "a reinstall failing at $tool took the Add/Remove entry"
done
wine "$dir/Uninstall.exe" /S /REMOVELOG
# The uninstaller runs on from a copy of itself; the server stays for the
# watch, so its end is the install folder gone.
for _ in $(seq 1 150); do [ -e "$dir" ] || break; sleep 0.2; done
[ -z "$(watch_state)" ] || fail "the running watch service was left behind"
wineserver -k
wineserver -w
[ ! -e "$dir" ] || fail "/REMOVELOG left $(ls -R "$dir")"
echo "windows installer: install, run, the watch off and on, uninstall keep and remove log: ok"
