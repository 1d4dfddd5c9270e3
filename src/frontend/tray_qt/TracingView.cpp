#include "frontend/tray_qt/TracingView.h"

#include <string>

#include "ui/Inventory.h"

namespace dormix::tray_qt {

std::string ColourText(ui::Colour c) {
    if (c.system == ui::Colour::System::ButtonFace) return "ButtonFace";
    if (c.system == ui::Colour::System::ButtonText) return "ButtonText";
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%02X%02X%02X", c.Red(), c.Green(), c.Blue());
    return hex;
}

std::string OneLine(std::string_view text) {
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.substr(i, 2) == "\r\n") {
            line.append(" | ");
            ++i;
        } else {
            line.push_back(text[i]);
        }
    }
    return line;
}

std::string TraceLine(std::string_view name, std::string_view what, std::string_view value) {
    std::string line(name);
    return line.append(".").append(what).append("=").append(OneLine(value));
}

void TracingView::Line(std::string_view name, std::string_view what, std::string_view value) {
    const std::string line = TraceLine(name, what, value);
    std::fprintf(out_, "%s\n", line.c_str());
    std::fflush(out_);
}

void TracingView::SetWindowCaption(ui::Wnd window, std::string_view caption) {
    inner_.SetWindowCaption(window, caption);
    Line(ui::WindowOf(window).name, "caption", caption);
}

void TracingView::SetCaption(ui::Ctl control, std::string_view caption) {
    inner_.SetCaption(control, caption);
    Line(ui::ControlOf(control).name, "caption", caption);
}

void TracingView::SetForeColour(ui::Ctl control, ui::Colour colour) {
    inner_.SetForeColour(control, colour);
    Line(ui::ControlOf(control).name, "fore", ColourText(colour));
}

void TracingView::SetBackColour(ui::Ctl control, ui::Colour colour) {
    inner_.SetBackColour(control, colour);
    Line(ui::ControlOf(control).name, "back", ColourText(colour));
}

void TracingView::SetBold(ui::Ctl control, bool bold) {
    inner_.SetBold(control, bold);
    Line(ui::ControlOf(control).name, "bold", bold ? "1" : "0");
}

void TracingView::SetEnabled(ui::Ctl control, bool enabled) {
    inner_.SetEnabled(control, enabled);
    Line(ui::ControlOf(control).name, "enabled", enabled ? "1" : "0");
}

void TracingView::SetTooltip(ui::Ctl control, std::string_view tip) {
    inner_.SetTooltip(control, tip);
    Line(ui::ControlOf(control).name, "tooltip", tip);
}

}  // namespace dormix::tray_qt
