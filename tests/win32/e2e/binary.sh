#!/usr/bin/env bash
# DormixL.exe is what a bare Windows can run: 32-bit, GUI subsystem, and it
# imports nothing but the system's own DLLs (no MinGW runtime DLLs).
set -euo pipefail
exe=$1/DormixL.exe
dump=$(i686-w64-mingw32-objdump -p "$exe")
fail=0
grep -q 'Magic.*(PE32)$' <<<"$dump" || { echo "FAIL not a 32-bit PE"; fail=1; }
grep -q 'Subsystem.*(Windows GUI)' <<<"$dump" || { echo "FAIL not the GUI subsystem"; fail=1; }
imports=$(grep 'DLL Name' <<<"$dump" | awk '{print toupper($3)}' | sort | xargs)
expected="ADVAPI32.DLL COMCTL32.DLL GDI32.DLL KERNEL32.DLL MSVCRT.DLL SHELL32.DLL USER32.DLL"
[ "$imports" = "$expected" ] || { echo "FAIL imports: $imports"; fail=1; }
[ $fail -eq 0 ] && echo "PASS: $imports"
exit $fail
