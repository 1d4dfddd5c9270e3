#!/usr/bin/env bash
# Runs the in-process Win32 tests under Wine, on their own display and prefix.
source "$(dirname "$0")/lib.sh"
setup
export DORMIX_EXE="Z:$EXE"
wine "$BUILD/win32_tests.exe" --gtest_brief=1 2>&1 | tr -d '\r'
exit "${PIPESTATUS[0]}"
