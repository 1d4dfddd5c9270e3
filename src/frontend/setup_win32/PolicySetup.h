#pragma once
// The machine policy the MSI's IDLELIMIT, COUNTDOWN, HOLDLIMIT, ALLOWEXIT,
// IDLEACTION and SCHEDULE write (HKLM\SOFTWARE\Policies\Dormix Lite, where Group
// Policy writes it too),
// all of them or, when the install fails, none: the values as they were are
// kept for the rollback before anything is written.

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace dormix::setup_win32 {

// The values to write: a setting's name and its number in decimal, the
// action's word, or the schedule's windows parted by ";".
using PolicyValues = std::vector<std::pair<std::wstring, std::wstring>>;

// Each named value as it is now, whatever its type, or its absence, as an
// action's data.
std::wstring ReadPolicyAsIs(const std::vector<std::wstring>& names);

// Writes each value as a REG_DWORD, the action as a REG_SZ, the schedule as
// a REG_MULTI_SZ of one window a string. False, with the reason in `why`, at the first that fails.
bool WritePolicy(const PolicyValues& values, std::wstring& why);

// Puts back what ReadPolicyAsIs found: each value as it was, or gone.
void RestorePolicy(const std::wstring& asIs);

}  // namespace dormix::setup_win32
