#pragma once
// ui::View over the windows that exist right now: each window hands in its
// controls while it lives; changes for a window that is closed are dropped.

#include <map>

#include "frontend/tray_win32/ControlSet.h"
#include "ui/View.h"

namespace dormix::tray_win32 {

class WinView final : public ui::View {
  public:
    void Attach(ui::Wnd window, HWND hwnd, ControlSet& controls);
    void Detach(ui::Wnd window);
    HWND WindowHandle(ui::Wnd window) const;

    void SetWindowCaption(ui::Wnd window, std::string_view caption) override;
    void SetCaption(ui::Ctl control, std::string_view caption) override;
    void SetForeColour(ui::Ctl control, ui::Colour colour) override;
    void SetBackColour(ui::Ctl control, ui::Colour colour) override;
    void SetBold(ui::Ctl control, bool bold) override;
    void SetEnabled(ui::Ctl control, bool enabled) override;
    void SetTooltip(ui::Ctl control, std::string_view tip) override;

  private:
    ControlSet* SetOf(ui::Ctl control);

    struct Entry {
        HWND hwnd;
        ControlSet* controls;
    };
    std::map<ui::Wnd, Entry> windows_;
};

}  // namespace dormix::tray_win32
