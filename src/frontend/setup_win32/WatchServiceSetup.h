#pragma once
// The watch's service as the MSI's custom actions change it: read before
// the install's script runs, stopped before its executable is replaced,
// made or set up afterwards, and put back as it was when the install rolls
// back. sc.exe cannot wait for a service marked for deletion, nor say what
// a service was before it changed it; these calls can.

#include <windows.h>

#include <string>

namespace dormix::setup_win32 {

// The service as the service manager has it.
struct WatchState {
    bool exists = false;
    DWORD start = SERVICE_DISABLED;  // SERVICE_AUTO_START: the watch is on
    bool running = false;
    std::wstring path;  // the command line it starts, quoted

    // "absent", or "start=2|running=1|path=..." for an action's data.
    std::wstring Encoded() const;
    static WatchState Decoded(const std::wstring& text);
};

// What the service manager says now; a service that cannot be asked about
// counts as absent.
WatchState ReadWatch();

// Asks the watch to stop and waits until it has, at most 10 s: it writes
// its exit entry and ends within a second. Then deletes the service when
// `remove`. False, with the reason in `why`, when the deletion fails.
bool StopWatch(bool remove, std::wstring& why);

// Registers the service with `start` and `path` (made anew or set up again,
// waiting up to 10 s while an earlier one is still marked for deletion),
// with its description and a restart a minute after a failure, and starts
// it when `run`. False, with the reason in `why`, when the service cannot
// be registered or started.
bool ApplyWatch(DWORD start, const std::wstring& path, bool run, std::wstring& why);

// Puts the service back as `before` says: gone if it was absent, else
// registered as it was, and running if it ran. Best effort: a rollback
// goes on whatever fails.
void RestoreWatch(const WatchState& before);

}  // namespace dormix::setup_win32
