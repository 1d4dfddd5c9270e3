#include "platform/win32/monitor/AsyncKeyInput.h"

#include "platform/win32/WinApi.h"

namespace dormix::win32_monitor {

// Any bit counts: down now (high bit) or pressed since the previous query
// (low bit). Codes 1, 2, 4, 5 and 6 are the mouse buttons.
void AsyncKeyInput::ReadKeys(std::bitset<256>& active) {
    for (int code = 0; code < 256; ++code) active[code] = GetAsyncKeyState(code) != 0;
}

// A failed call (no desktop, a secure screen in front) keeps the previous
// position, which the sampler then reads as no movement.
bool AsyncKeyInput::ReadCursor(monitor::CursorPoint& point) {
    POINT p{point.x, point.y};
    if (!GetCursorPos(&p)) return false;
    point = {p.x, p.y};
    return true;
}

}  // namespace dormix::win32_monitor
