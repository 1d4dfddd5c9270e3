#!/usr/bin/env bash
# Creates the Wine prefix that every Windows test copies (once per build:
# creating a prefix takes 10-15 s, copying it well under one).
set -euo pipefail
target=$(realpath -m "$1")
exec 9>"$target.lock"
flock 9
if [ -f "$target/system.reg" ]; then exit 0; fi
rm -rf "$target.tmp"
mkdir -p "$target.tmp"
export WINEPREFIX=$target.tmp WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# No display needed: wineboot runs headless.
env -u DISPLAY wineboot --init >/dev/null 2>&1 || true
# Every program runs inside one Wine virtual desktop: Wine then draws the
# frames and the notification area itself, and minimising does not wait on
# a window manager that Xvfb does not have.
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
wineserver -w
[ -f "$target.tmp/system.reg" ] || { echo "wineboot failed" >&2; exit 1; }
mv "$target.tmp" "$target"
