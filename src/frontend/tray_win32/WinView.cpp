#include "frontend/tray_win32/WinView.h"

#include <string>

namespace dormix::tray_win32 {

void WinView::Attach(ui::Wnd window, HWND hwnd, ControlSet& controls) {
    windows_[window] = {hwnd, &controls};
}

void WinView::Detach(ui::Wnd window) { windows_.erase(window); }

HWND WinView::WindowHandle(ui::Wnd window) const {
    auto it = windows_.find(window);
    return it == windows_.end() ? nullptr : it->second.hwnd;
}

// The core may still set a control of a window that has just closed (the
// About window's countdown line after the auto-close): that is dropped.
ControlSet* WinView::SetOf(ui::Ctl control) {
    auto it = windows_.find(ui::ControlOf(control).window);
    return it == windows_.end() ? nullptr : it->second.controls;
}

void WinView::SetWindowCaption(ui::Wnd window, std::string_view caption) {
    if (HWND h = WindowHandle(window)) SetWindowTextA(h, std::string(caption).c_str());
}

void WinView::SetCaption(ui::Ctl control, std::string_view caption) {
    if (auto* set = SetOf(control)) set->SetCaption(control, caption);
}
void WinView::SetForeColour(ui::Ctl control, ui::Colour colour) {
    if (auto* set = SetOf(control)) set->SetForeColour(control, colour);
}
void WinView::SetBackColour(ui::Ctl control, ui::Colour colour) {
    if (auto* set = SetOf(control)) set->SetBackColour(control, colour);
}
void WinView::SetBold(ui::Ctl control, bool bold) {
    if (auto* set = SetOf(control)) set->SetBold(control, bold);
}
void WinView::SetEnabled(ui::Ctl control, bool enabled) {
    if (auto* set = SetOf(control)) set->SetEnabled(control, enabled);
}
void WinView::SetTooltip(ui::Ctl control, std::string_view tip) {
    if (auto* set = SetOf(control)) set->SetTooltip(control, tip);
}

}  // namespace dormix::tray_win32
