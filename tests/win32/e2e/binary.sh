#!/usr/bin/env bash
# DormixL.exe is what a bare Windows can run: 32-bit, GUI subsystem, and it
# imports nothing but the system's own DLLs (no MinGW runtime DLLs). It says
# which Windows it needs (6.0, for GetTickCount64) and carries a manifest:
# no elevation and no file virtualisation, Windows 7 to 11, dpi-aware,
# themed controls. DormixWatch.exe, the service, is the same but for its
# console subsystem, its manifest (none) and its imports (no windows; user32
# only for the tray program's request it inherits and never makes; userenv
# for the user's environment of a tray program it starts; powrprof for the
# hibernation or sleep an administrator may choose).
set -euo pipefail
exe=$1/DormixL.exe
dump=$(i686-w64-mingw32-objdump -p "$exe")
fail=0
grep -q 'Magic.*(PE32)$' <<<"$dump" || { echo "FAIL not a 32-bit PE"; fail=1; }
grep -q 'Subsystem.*(Windows GUI)' <<<"$dump" || { echo "FAIL not the GUI subsystem"; fail=1; }
[ "$(awk '/^M(aj|in)orSubsystemVersion/ {printf "%s ", $2}' <<<"$dump")" = "6 0 " ] ||
  { echo "FAIL subsystem version is not 6.0"; fail=1; }
manifest=$(strings "$exe" | sed -n '/<assembly/,/<\/assembly>/p')
for want in 'requestedExecutionLevel level="asInvoker" uiAccess="false"' \
    '35138b9a-5d96-4fbd-8e2d-a2440225f93a' '4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38' \
    '1f676c76-80e1-4239-95bb-83d0f6d0da78' '8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a' \
    '>true</dpiAware>' 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"'; do
  grep -qF "$want" <<<"$manifest" || { echo "FAIL manifest lacks: $want"; fail=1; }
done
imports=$(grep 'DLL Name' <<<"$dump" | awk '{print toupper($3)}' | sort | xargs)
expected="ADVAPI32.DLL COMCTL32.DLL GDI32.DLL KERNEL32.DLL MSVCRT.DLL POWRPROF.DLL SHELL32.DLL USER32.DLL WTSAPI32.DLL"
[ "$imports" = "$expected" ] || { echo "FAIL imports: $imports"; fail=1; }
watch=$(i686-w64-mingw32-objdump -p "$1/DormixWatch.exe")
grep -q 'Magic.*(PE32)$' <<<"$watch" && grep -q 'Subsystem.*(Windows CUI)' <<<"$watch" &&
  [ "$(awk '/^M(aj|in)orSubsystemVersion/ {printf "%s ", $2}' <<<"$watch")" = "6 0 " ] ||
  { echo "FAIL DormixWatch.exe: not a 32-bit console program for 6.0"; fail=1; }
watch_imports=$(grep 'DLL Name' <<<"$watch" | awk '{print toupper($3)}' | sort | xargs)
[ "$watch_imports" = "ADVAPI32.DLL KERNEL32.DLL MSVCRT.DLL POWRPROF.DLL USER32.DLL USERENV.DLL WTSAPI32.DLL" ] ||
  { echo "FAIL DormixWatch.exe imports: $watch_imports"; fail=1; }
[ $fail -eq 0 ] && echo "PASS: $imports; the watch: $watch_imports"
exit $fail
