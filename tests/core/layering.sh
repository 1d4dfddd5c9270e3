#!/usr/bin/env bash
# The layers of src/, from the include lines: the front ends (frontend/)
# stand on the platform parts (platform/) and the portable core (every other
# folder); the platform parts stand on the core. Nothing includes upward,
# no front end includes another, the core includes no OS or toolkit header,
# its floors stay apart (the tray program's app/ and the watch's watch/),
# and no folder reaches back to one that reaches it.
cd "$(dirname "$0")/../../src" || exit 2
layer() {
    case $1 in platform/*) echo platform ;; frontend/*) echo frontend ;; *) echo core ;; esac
}
fail=0
edges=$(grep -rHoE '^#include "[^"]+/[^"]+"' --include=*.h --include=*.cpp --include=*.c . |
    sed -E 's|^\./||; s|:#include "| |; s|"$||')
while read -r file target; do
    from=$(layer "$file") to=$(layer "$target")
    fromDir=${file%/*} toDir=${target%/*}
    bad=
    case $from:$to in
    core:platform | core:frontend | platform:frontend) bad="includes upward" ;;
    frontend:frontend) [ "${fromDir#frontend/}" = "${toDir#frontend/}" ] || bad="another front end" ;;
    esac
    case $fromDir:$toDir in app:watch | watch:app) bad="the other program's floor" ;; esac
    if [ -n "$bad" ]; then
        echo "$file -> $target: $bad"
        fail=1
    fi
done <<<"$edges"
core=$(find . -path ./platform -prune -o -path ./frontend -prune -o -name '*.[ch]*' -print)
os=$(grep -nE '#include [<"](Q[A-Za-z]|windows\.h|sys/|systemd/|X11/|xcb/|wayland-|unistd\.h|dbus)' $core)
if [ -n "$os" ]; then
    echo "the core includes an OS or toolkit header:"
    echo "$os"
    fail=1
fi
# A loop between folders: tsort names it.
loops=$(awk '{ f = $1; t = $2; sub(/\/[^/]*$/, "", f); sub(/\/[^/]*$/, "", t); if (f != t) print f, t }' \
    <<<"$edges" | sort -u | tsort 2>&1 >/dev/null)
if [ -n "$loops" ]; then
    echo "folders that include each other:"
    echo "$loops"
    fail=1
fi
[ $fail = 0 ] && echo "front ends -> platform -> core, no folder loop, no OS header in the core"
exit $fail
