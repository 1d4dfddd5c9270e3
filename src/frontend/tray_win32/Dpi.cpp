#include "frontend/tray_win32/Dpi.h"

namespace dormix::tray_win32 {

// The process is dpi-aware (WinMain), so this is the real system setting.
int SystemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

}  // namespace dormix::tray_win32
