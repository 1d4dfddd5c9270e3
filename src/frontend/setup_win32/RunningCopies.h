#pragma once
// What the installers do about programs that are running: a copy of the tray
// program left running after its files were replaced or removed would still
// switch the machine off at its next countdown, so both installers end every
// copy first; and a tool the install needs is tried before anything changes.

#include <windows.h>

#include <string>

namespace dormix::setup_win32 {

// Ends every running copy of the program at `exePath` (compared without
// regard to case), in every session. A copy whose window this process can
// reach (its own session and desktop) is told the session ends, as at a
// log-off, so it writes its exit entry; a copy that cannot be told, or has
// not ended 5 s later, is ended by force. Returns how many were running;
// `why` names those that would not end.
int EndRunningCopies(const std::wstring& exePath, std::wstring& why);

// Runs `commandLine` hidden and waits for it, at most `patienceMs`: its exit
// code, or -1 when it cannot start or does not end in time (it is then
// ended by force).
long RunHidden(const std::wstring& commandLine, DWORD patienceMs);

}  // namespace dormix::setup_win32
