#include "platform/win32/monitor/LastInputInfo.h"

#include "platform/win32/WinApi.h"

namespace dormix::win32_monitor {

// The system stamps this tick for every key and pointer event of the session,
// whichever desktop or window receives it, and no other program can take it
// from us the way GetAsyncKeyState's "pressed since the previous query" bit
// can be taken.
bool LastInputInfo::ReadLastInputTick(std::uint32_t& tick) {
    LASTINPUTINFO info{};
    info.cbSize = sizeof info;
    if (!GetLastInputInfo(&info)) return false;
    tick = info.dwTime;
    return true;
}

}  // namespace dormix::win32_monitor
