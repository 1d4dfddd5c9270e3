#!/usr/bin/env bash
# The MSI under Wine, as a managed roll-out runs it: a silent per-machine
# install, then the files, the shortcuts (the Startup one starts the program
# at every log-on, in the install folder), the Add/Remove entry, the event
# source, the Log folder's grant, a start through the Startup shortcut that
# writes the log, an upgrade by a newer package, and a silent removal that
# leaves only the log. An icacls that fails first rolls the install back.
#   windows-msi.sh DormixL.msi FOLDER-RULES FILE-RULES WINE-TEMPLATE FAILING-ICACLS
set -euo pipefail
msi=$(readlink -f "$1")
folder_rules=$2
file_rules=$3
template=$(readlink -f "$4")
stand_in=$(readlink -f "$5")
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$source_dir/tests/packaging/wine-session.sh"
wine_session "$template"
code=$(msiinfo export "$msi" Property | tr -d '\r' | awk -F'\t' '$1 == "ProductCode" {print $2}')
arp="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$code"
reg_values() { wine reg query "$1" 2>/dev/null | tr -d '\r'; }

with_failing_icacls "$stand_in" wine msiexec /i "$msi" /qn /l*v "$work/failed.log" &&
  fail "installed although the Log folder's permissions could not be set"
# The log names the failed action: "Return value 3" on Windows, Wine's own
# number under Wine; 1 is success.
failed_log=$({ cat "$work/failed.log"; strings -a -el "$work/failed.log"; } | tr -d '\r')
grep -qE "Action ended .*: GrantLogFolder\. Return value [02-9]" <<<"$failed_log" ||
  fail "the installer's log does not name the failed action"
[ ! -e "$dir/DormixL.exe" ] || fail "a failed install was not rolled back"
reg_values "$arp" | grep -q DisplayName && fail "a failed install left an Add/Remove entry"

# msiexec's exit code reaches us cut to 8 bits; 0 is success either way.
# Wine's icacls is a stub that names its arguments on stderr.
WINEDEBUG=-all,fixme+icacls wine msiexec /i "$msi" /qn 2>"$work/install.err" ||
  fail "install failed: $?"
wineserver -w
[ -f "$dir/DormixL.exe" ] || fail "DormixL.exe not installed"
cmp -s "$dir/DormixL.exe" "$(dirname "$msi")/DormixL.exe" || fail "DormixL.exe differs"
[ -d "$dir/Log" ] || fail "no Log folder"
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
for rules in "$folder_rules" "$file_rules"; do
  # The stub quotes each argument.
  read -ra words <<<"$rules"
  quoted=$(printf '"%s" ' "${words[@]}")
  tr -d '\r' <"$work/install.err" | grep -F "icacls" | grep -F "Dormix Lite\\\\Log" |
    grep -qF "${quoted% }" || { cat "$work/install.err" >&2; fail "Log folder rules not set: $rules"; }
done

# A log-on starts the Startup shortcut; so does this.
wine start /unix "$startup"
await_start_entry "the Startup shortcut did not start a program that logs in the install folder"

# A newer package with the same UpgradeCode replaces this one.
(cd "$(dirname "$msi")" &&
  wixl -o "$work/newer.msi" -D Version=2.1.1.0 -D Exe=DormixL.exe \
    -D Icon="$(realpath --relative-to=. "$source_dir/src/ui/art/DormixL.ico")" \
    -D LogFolderRules="$folder_rules" -D LogFileRules="$file_rules" \
    "$source_dir/packaging/windows/DormixL.wxs") || fail "newer package"
newer=$(msiinfo export "$work/newer.msi" Property | tr -d '\r' | awk -F'\t' '$1 == "ProductCode" {print $2}')
wine msiexec /i "$work/newer.msi" /qn 2>/dev/null || fail "upgrade failed: $?"
wineserver -w
reg_values "$arp" | grep -q DisplayName && fail "the older version is still registered"
reg_values "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$newer" |
  grep -q 'DisplayVersion *REG_SZ *2.1.1.0$' || fail "the newer version is not registered"
[ -f "$dir/Log/DormixL.log" ] || fail "the upgrade lost the log"

wine msiexec /x "$work/newer.msi" /qn 2>/dev/null || fail "removal failed: $?"
wineserver -w
[ ! -e "$dir/DormixL.exe" ] || fail "program left behind"
[ ! -e "$menu" ] && [ ! -e "$(dirname "$menu")" ] || fail "Start-menu shortcut left behind"
[ ! -e "$startup" ] || fail "Startup shortcut left behind"
reg_values "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$newer" |
  grep -q DisplayName && fail "Add/Remove entry left behind"
reg_values "$event_source_key" | grep -q EventMessageFile && fail "event source left behind"
grep -q ',  Start    , Initialise' "$dir/Log/DormixL.log" || fail "the log was not kept"
[ "$(ls -A "$dir")" = Log ] || fail "left in the install folder: $(ls -A "$dir")"
echo "windows MSI: install, shortcuts, event source, start at log-on, upgrade, removal: ok"
