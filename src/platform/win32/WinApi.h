#pragma once
// The Windows headers, once, with the macros that collide with the core's
// port method names (MessageBox) taken back out.
// Code here calls the ANSI functions by their explicit names instead.

#include <windows.h>
// After windows.h, which they build on.
#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#undef MessageBox
