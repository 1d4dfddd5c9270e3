#pragma once
// What the core may change on a window's controls at run time. Each platform
// implements it once over the windows it built from the inventory.

#include <string_view>

#include "ui/Colour.h"
#include "ui/Inventory.h"

namespace dormix::ui {

class View {
  public:
    virtual ~View() = default;
    virtual void SetWindowCaption(Wnd window, std::string_view caption) = 0;
    virtual void SetCaption(Ctl control, std::string_view caption) = 0;
    virtual void SetForeColour(Ctl control, Colour colour) = 0;
    virtual void SetBackColour(Ctl control, Colour colour) = 0;
    virtual void SetBold(Ctl control, bool bold) = 0;
    virtual void SetEnabled(Ctl control, bool enabled) = 0;
    virtual void SetTooltip(Ctl control, std::string_view tip) = 0;
};

}  // namespace dormix::ui
