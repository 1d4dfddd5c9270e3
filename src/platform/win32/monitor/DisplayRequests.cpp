#include "platform/win32/monitor/DisplayRequests.h"

#include <cstdio>

#include "platform/win32/WinApi.h"
// After windows.h, which it builds on.
#include <powrprof.h>

namespace dormix::win32_monitor {

// CallNtPowerInformation(SystemExecutionState) gives the power manager's
// execution state of the machine, not of this process: the requests of
// programs (SetThreadExecutionState, PowerSetRequest) and drivers OR'ed
// together, which keep the display's and the sleep timer from running out.
// Programs that keep a screen saver back during films read other
// processes' display requests from it; this program asks for nothing
// itself, so it never holds its own countdown.
//
// ES_DISPLAY_REQUIRED is a film, a slideshow, a video call: a hold.
// ES_SYSTEM_REQUIRED alone is not: audio drivers hold it whenever a stream
// is open, even a silent one, and it would keep a lab machine on all
// night. ES_USER_PRESENT is the power manager's note of recent input,
// which the idle count sees for itself.
//
// Which process asks is in the list `powercfg /requests` shows, but that
// list is an undocumented information level that needs an administrator: a
// standard user's program can only say that a display request is there.
// The call is answered from the kernel's own state, with no server to wait
// for, so it needs no bound of its own.
monitor::HoldAnswer DisplayRequests::Ask() {
    ULONG state = 0;
    // An NTSTATUS; MinGW's header declares it as the LONG it is.
    const LONG status =
        CallNtPowerInformation(SystemExecutionState, nullptr, 0, &state, sizeof state);
    if (status != 0) {
        char failure[96];
        std::snprintf(failure, sizeof failure,
                      "CallNtPowerInformation(SystemExecutionState) returned NTSTATUS 0x%08lX",
                      static_cast<unsigned long>(status));
        return monitor::HoldAnswer::Failed(failure);
    }
    if (!(state & ES_DISPLAY_REQUIRED)) return {};
    return monitor::HoldAnswer::HeldBy(std::string(DisplayRequestHolder));
}

}  // namespace dormix::win32_monitor
