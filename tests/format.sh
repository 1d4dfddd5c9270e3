#!/usr/bin/env bash
# Every C and C++ file of the project as .clang-format lays it out; the
# files that differ are named. `clang-format -i FILE` mends one.
cd "$(dirname "$0")/.." || exit 2
command -v clang-format >/dev/null || {
    echo "clang-format is missing (scripts/deps test installs it)"
    exit 1
}
# Another major version lays some files out otherwise: the one Debian 12's
# clang-format package installs is the one the files follow.
want=14
have=$(clang-format --version | sed -nE 's/.*version ([0-9]+)\..*/\1/p')
[ "$have" = "$want" ] || {
    echo "clang-format $want is needed (scripts/deps test installs it); this is ${have:-unknown}"
    exit 1
}
if git rev-parse --git-dir >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files '*.h' '*.cpp' '*.c')
else
    mapfile -t files < <(find src tests bench -name '*.h' -o -name '*.cpp' -o -name '*.c')
fi
clang-format --dry-run --Werror "${files[@]}" 2>&1 | grep -E '^[^ ].*: (error|warning):' | cut -d: -f1 | sort -u |
    sed 's/^/not laid out by .clang-format: /' | grep . && exit 1
echo "${#files[@]} files laid out by .clang-format"
