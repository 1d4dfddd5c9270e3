#!/usr/bin/env bash
# The MSI under Wine, as a managed roll-out runs it: a silent per-machine
# install, then the files, the shortcuts (the Startup one starts the program
# at every log-on, in the install folder), the Add/Remove entry, the event
# source, the Log folder's grant, a start through the Startup shortcut that
# writes the log, an upgrade by a newer package, and a silent removal that
# leaves only the logs. An icacls that fails first rolls the install back.
# A newer version that cannot set the folders' rules fails before anything
# changes: the version installed stays, its watch running, its files,
# policy and event sources as they were; a good upgrade and the removal end
# the program's running copy, which writes its exit entry.
# The watch's service: disabled and stopped by default and through upgrades,
# automatic and running with WATCH=1, kept so by a later run, off with WATCH=0.
# A property the program could not use fails a run before it changes
# anything; a failure inside a run puts the watch and the policy back; a
# service still marked for deletion is waited for.
#   windows-msi.sh DormixL.msi FOLDER-RULES FILE-RULES WATCH-LOG-RULES FINISH WINE-TEMPLATE FAILING-ICACLS
#                  ICACLS-THAT-CANNOT-SET
# FINISH: msi-finish.cmake's arguments, for the packages built here.
set -euo pipefail
msi=$(readlink -f "$1")
folder_rules=$2
file_rules=$3
watch_log_rules=$4
read -ra finish <<<"$5"
template=$(readlink -f "$6")
stand_in=$(readlink -f "$7")
cannot_set=$(readlink -f "$8")
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$source_dir/tests/packaging/wine-session.sh"
wine_session "$template"
code=$(msiinfo export "$msi" Property | tr -d '\r' | awk -F'\t' '$1 == "ProductCode" {print $2}')
arp="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$code"
reg_values() { wine reg query "$1" 2>/dev/null | tr -d '\r'; }
column() { msiinfo export "$1" "$2" | tr -d '\r' | awk -F'\t' -v k="$3" '$1 == k {print $2}'; }

# What wixl cannot write: the public properties secure (a managed install
# drops any other), the rollback actions flagged as such.
secure=";$(column "$msi" Property SecureCustomProperties);"
for p in IDLELIMIT COUNTDOWN HOLDLIMIT ALLOWEXIT IDLEACTION SCHEDULE WATCH DORMIX_SAME_VERSION_DETECTED; do
  [[ $secure == *";$p;"* ]] || fail "$p is not a secure property: $secure"
done
for a in RestoreWatch RestorePolicy; do
  (( ($(column "$msi" CustomAction "$a") & 0x500) == 0x500 )) || fail "$a is no rollback action"
done

with_failing icacls "$stand_in" wine msiexec /i "$msi" /qn /l*v "$work/failed.log" &&
  fail "installed although the Log folder's permissions could not be set"
wineserver -w
# The log names the failed action: "Return value 3" on Windows, Wine's own
# number under Wine; 1 is success.
failed_log=$({ cat "$work/failed.log"; strings -a -el "$work/failed.log"; } | tr -d '\r')
grep -qE "Action ended .*: GrantLogFolder\. Return value [02-9]" <<<"$failed_log" ||
  fail "the installer's log does not name the failed action"
[ ! -e "$dir/DormixL.exe" ] || fail "a failed install was not rolled back"
reg_values "$arp" | grep -q DisplayName && fail "a failed install left an Add/Remove entry"

# msiexec's exit code reaches us cut to 8 bits; 0 is success either way.
# Wine's icacls is a stub that names its arguments on stderr.
# The policy properties as a roll-out passes them (a window may end at
# 00:00, midnight; the action's word in any case).
WINEDEBUG=-all,fixme+icacls wine msiexec /i "$msi" /qn IDLELIMIT=1800 COUNTDOWN=120 HOLDLIMIT=0 \
  ALLOWEXIT=0 IDLEACTION=hibernate "SCHEDULE=Mon-Fri 08:00-18:00 3600; Sat,Sun 00:00-24:00 never; Fri 18:00-00:00 300;" 2>"$work/install.err" ||
  fail "install failed: $?"
wineserver -w
[ -f "$dir/DormixL.exe" ] || fail "DormixL.exe not installed"
[ -f "$dir/DormixReport.exe" ] || fail "DormixReport.exe not installed"
cmp -s "$dir/DormixL.exe" "$(dirname "$msi")/DormixL.exe" || fail "DormixL.exe differs"
for f in DormixLite.admx en-US/DormixLite.adml; do
  cmp -s "$dir/PolicyDefinitions/$f" "$source_dir/packaging/windows/$f" || fail "$f not installed"
done
policy=$(reg_values 'HKLM\SOFTWARE\Policies\Dormix Lite')
# HOLDLIMIT=0 (holds never postpone) is a value like any other.
grep -qE 'IdleLimitSeconds +REG_DWORD +0x0*708$' <<<"$policy" &&
  grep -qE 'CountdownSeconds +REG_DWORD +0x0*78$' <<<"$policy" &&
  grep -qE 'HoldLimitSeconds +REG_DWORD +0x0$' <<<"$policy" &&
  grep -qE 'AllowExit +REG_DWORD +0x0$' <<<"$policy" &&
  grep -qE 'Action +REG_SZ +Hibernate$' <<<"$policy" &&
  grep -qF 'Schedule    REG_MULTI_SZ    Mon-Fri 08:00-18:00 3600\0Sat,Sun 00:00-24:00 never\0Fri 18:00-00:00 300' <<<"$policy" ||
  fail "policy not written: $policy"
[ -d "$dir/Log" ] && [ -d "$dir/WatchLog" ] || fail "no Log or WatchLog folder"
# Wine keeps all-users shortcuts in the user's profile.
menu=$(find "$c" -path '*Start Menu/Programs/Dormix Lite/Dormix Lite.lnk' | head -1)
startup=$(find "$c" -ipath '*Start Menu/Programs/Startup/Dormix Lite.lnk' | head -1)
[ -n "$menu" ] || fail "no Start-menu shortcut"
[ -n "$startup" ] || fail "no Startup shortcut"
for lnk in "$menu" "$startup"; do
  { strings -a "$lnk"; strings -a -el "$lnk"; } | grep -qx 'C:\\Program Files\\Dormix Lite\\\?' ||
    fail "$lnk does not start in the install folder"
done
reg=$(reg_values "$arp")
grep -q 'DisplayName *REG_SZ *Dormix Lite$' <<<"$reg" || fail "no Add/Remove entry: $reg"
grep -q 'DisplayVersion *REG_SZ *2.1.0.8$' <<<"$reg" || fail "Add/Remove version: $reg"
check_event_source
check_watch 0x4 STOPPED
for rules in "Log $folder_rules" "Log $file_rules" "WatchLog $watch_log_rules"; do
  # The stub quotes each argument.
  read -ra words <<<"$rules"
  quoted=$(printf '"%s" ' "${words[@]:1}")
  tr -d '\r' <"$work/install.err" | grep -F "icacls" | grep -F "Dormix Lite\\\\${words[0]}\"" |
    grep -qF "${quoted% }" || { cat "$work/install.err" >&2; fail "folder rules not set: $rules"; }
done

# A log-on starts the Startup shortcut; so does this.
wine start /unix "$startup"
await_start_entry "the Startup shortcut did not start a program that logs in the install folder"

# A package rebuilt at the same version (a product code of its own), then a
# newer one, each with the same UpgradeCode, replaces the one installed:
# one product registered each time.
package() {  # package VERSION NAME
  (cd "$(dirname "$msi")" &&
    wixl -o "$work/$2.msi" -D Version="$1" -D Exe=DormixL.exe -D WatchExe=DormixWatch.exe -D ReportExe=DormixReport.exe \
      -D SetupDll=DormixSetup.dll -D Icon="$(realpath --relative-to=. "$source_dir/src/ui/art/DormixL.ico")" \
      -D LogFolderRules="$folder_rules" -D LogFileRules="$file_rules" -D WatchLogRules="$watch_log_rules" \
      -D PolicyDir="$(realpath --relative-to=. "$source_dir/packaging/windows")" \
      "$source_dir/packaging/windows/DormixL.wxs" &&
      cmake -DMSI="$work/$2.msi" "${finish[@]}") || fail "$2 package"
}
upgrade_to() {  # upgrade_to VERSION NAME
  [ -f "$work/$2.msi" ] || package "$@"
  local new
  new=$(msiinfo export "$work/$2.msi" Property | tr -d '\r' | awk -F'\t' '$1 == "ProductCode" {print $2}')
  [ "$new" != "$code" ] || fail "the $2 package has the installed one's product code"
  wine msiexec /i "$work/$2.msi" /qn 2>/dev/null || fail "$2 upgrade failed: $?"
  reg_values "$arp" | grep -q DisplayName && fail "the one replaced by the $2 package is still registered"
  [ "$(wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null |
       tr -d '\r' | grep -c 'DisplayName *REG_SZ *Dormix Lite$')" = 1 ] ||
    fail "not one Dormix Lite in Add/Remove Programs after the $2 package"
  code=$new
  arp="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$code"
  reg_values "$arp" | grep -q "DisplayVersion *REG_SZ *$1\$" || fail "the $2 version is not registered"
  [ -f "$dir/Log/DormixL.log" ] || fail "the $2 upgrade lost the log"
}
upgrade_to 2.1.0.8 rebuilt
upgrade_to 2.1.1.0 newer
newer=$code
# An upgrade given no properties keeps the policy; a run given one value
# changes that one; a value that is no number fails and changes nothing.
[ "$(reg_values 'HKLM\SOFTWARE\Policies\Dormix Lite')" = "$policy" ] || fail "the upgrade changed the policy"
check_watch 0x4 STOPPED
# A server of our own that stays while the watch runs.
wineserver -k 2>/dev/null || true
wineserver -w
wineserver -p
wine msiexec /i "$work/newer.msi" /qn WATCH=1 2>/dev/null || fail "WATCH=1 refused: $?"
check_watch 0x2 RUNNING
wine msiexec /i "$work/newer.msi" /qn COUNTDOWN=90 2>/dev/null || fail "COUNTDOWN=90 refused: $?"
check_watch 0x2 RUNNING
policy=$(reg_values 'HKLM\SOFTWARE\Policies\Dormix Lite')
grep -qE 'IdleLimitSeconds +REG_DWORD +0x0*708$' <<<"$policy" &&
  grep -qE 'CountdownSeconds +REG_DWORD +0x0*5a$' <<<"$policy" || fail "COUNTDOWN=90 not written: $policy"
# A value the program could not use fails the run before anything changes:
# the watch runs on, and no value is written (reg.exe once took 0x708 for
# 1800 before the second value failed).
# The properties, then each reason the installer's log gives.
cases=("COUNTDOWN=2min|COUNTDOWN=2min is not a whole number of seconds."
  "IDLELIMIT=0x708 COUNTDOWN=99999999999|IDLELIMIT=0x708 is not a whole number of seconds.;COUNTDOWN=99999999999 is out of range (10-600 s)."
  "IDLELIMIT=59 HOLDLIMIT=-1|IDLELIMIT=59 is out of range (60-9999 s).;HOLDLIMIT=-1 is not a whole number of seconds."
  "WATCH=yes|WATCH=yes is neither 1 (the watch on) nor 0 (off)."
  "IDLEACTION=Suspend|IDLEACTION=Suspend is none of PowerOff, Hibernate, Sleep."
  "ALLOWEXIT=2 SCHEDULE=Sun;Mon-Fry|ALLOWEXIT=2 is neither 1 nor 0.;SCHEDULE window 1 \"Sun\": not DAYS HH:MM-HH:MM LIMIT (as Mon-Fri 08:00-18:00 3600).;SCHEDULE window 2 \"Mon-Fry\"")
for case in "${cases[@]}"; do
  bad=${case%%|*}
  IFS=';' read -ra reasons <<<"${case#*|}"
  # shellcheck disable=SC2086
  wine msiexec /i "$work/newer.msi" /qn $bad /l*v "$work/bad.log" 2>/dev/null && fail "$bad accepted"
  check_watch 0x2 RUNNING
  [ "$(reg_values 'HKLM\SOFTWARE\Policies\Dormix Lite')" = "$policy" ] || fail "$bad changed the policy"
  bad_log=$({ cat "$work/bad.log"; strings -a -el "$work/bad.log"; } | tr -d '\r')
  for reason in "${reasons[@]}" "Nothing was installed or changed."; do
    grep -qF "$reason" <<<"$bad_log" || fail "$bad: the log does not say \"$reason\""
  done
done
# A failure inside the script of a second run (a repair; here the folders'
# rules) puts back what the run changed: the policy it wrote, the watch it
# stopped; the files stay.
kept=$(installed_files)
with_failing icacls "$cannot_set" wine msiexec /i "$work/newer.msi" /qn IDLELIMIT=600 WATCH=0 2>/dev/null &&
  fail "installed although the Log folder's permissions could not be set"
[ "$(installed_files)" = "$kept" ] || fail "a failed repair changed the installed files"
check_watch 0x2 RUNNING
[ "$(reg_values 'HKLM\SOFTWARE\Policies\Dormix Lite')" = "$policy" ] || fail "a rolled-back run changed the policy"
wine msiexec /i "$work/newer.msi" /qn WATCH=0 2>/dev/null || fail "WATCH=0 refused: $?"
check_watch 0x4 STOPPED
# A service deleted while something still holds it open stays "marked for
# deletion" until that handle closes: the run waits for it.
wine "$(dirname "$msi")/dormix-driver.exe" doom-service DormixLiteWatch 3000 >"$work/doomed" 2>&1 &
doomed=$!
for _ in $(seq 1 100); do grep -q marked "$work/doomed" && break; sleep 0.1; done
grep -q marked "$work/doomed" || fail "the service could not be marked for deletion: $(cat "$work/doomed")"
wine msiexec /i "$work/newer.msi" /qn WATCH=1 2>/dev/null || fail "WATCH=1 over a service marked for deletion: $?"
wait "$doomed"
check_watch 0x2 RUNNING
# The next version over this one, with a copy running: an icacls that
# cannot even read the Log folder's rules fails the upgrade before the
# version installed is taken away; then the upgrade that works.
package 2.1.2.0 newest
start_copy
kept=$(installed_files)
with_failing icacls "$stand_in" wine msiexec /i "$work/newest.msi" /qn IDLELIMIT=600 /l*v "$work/upgrade.log" 2>/dev/null &&
  fail "upgraded although the Log folder's permissions could not be set"
grep -qF "icacls cannot read the permissions of the Log folder (status 5)" <(tr -d '\r' <"$work/upgrade.log") ||
  fail "the failed upgrade's log does not say why"
[ "$(installed_files)" = "$kept" ] ||
  fail "a failed upgrade changed the installed files"
reg_values "$arp" | grep -q 'DisplayVersion *REG_SZ *2.1.1.0$' || fail "a failed upgrade unregistered the version installed"
check_event_source
check_watch 0x2 RUNNING
[ "$(reg_values 'HKLM\SOFTWARE\Policies\Dormix Lite')" = "$policy" ] || fail "a failed upgrade changed the policy"
[ -n "$(copies)" ] || fail "a failed upgrade ended the program"
upgrade_to 2.1.2.0 newest
check_copy_ended "the upgrade"
check_event_source
check_watch 0x2 RUNNING
[ "$(reg_values 'HKLM\SOFTWARE\Policies\Dormix Lite')" = "$policy" ] || fail "the upgrade changed the policy"
newer=$code
wineserver -k
wineserver -w

start_copy
wine msiexec /x "$work/newest.msi" /qn 2>/dev/null || fail "removal failed: $?"
check_copy_ended "the removal"
wineserver -w
[ ! -e "$dir/DormixL.exe" ] || fail "program left behind"
[ ! -e "$menu" ] && [ ! -e "$(dirname "$menu")" ] || fail "Start-menu shortcut left behind"
[ ! -e "$startup" ] || fail "Startup shortcut left behind"
reg_values "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$newer" |
  grep -q DisplayName && fail "Add/Remove entry left behind"
reg_values "$event_source_key" | grep -q EventMessageFile && fail "event source left behind"
reg_values "$watch_source_key" | grep -q EventMessageFile && fail "the watch's event source left behind"
grep -q ',  Start    , Initialise' "$dir/Log/DormixL.log" || fail "the log was not kept"
grep -q ',  Start    , Initialise' "$dir/WatchLog/DormixWatch.log" || fail "the watch's log was not kept"
[ -z "$(watch_state)" ] || fail "the watch service was left behind"
[ "$(ls -A "$dir" | tr '\n' ' ')" = "Log WatchLog " ] || fail "left in the install folder: $(ls -A "$dir")"
echo "windows MSI: install, shortcuts, event source, start at log-on, upgrade, the watch, removal: ok"
