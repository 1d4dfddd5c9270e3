#pragma once
// A View that also writes every change to stderr, one line each. Only the
// test builds use it: Qt's labels are no X windows, so an end-to-end test
// reads what the user would see from here.

#include <cstdio>

#include "ui/View.h"

namespace dormix::tray_qt {

class TracingView final : public ui::View {
  public:
    explicit TracingView(ui::View& inner, std::FILE* out = stderr) : inner_(inner), out_(out) {}

    void SetWindowCaption(ui::Wnd window, std::string_view caption) override;
    void SetCaption(ui::Ctl control, std::string_view caption) override;
    void SetForeColour(ui::Ctl control, ui::Colour colour) override;
    void SetBackColour(ui::Ctl control, ui::Colour colour) override;
    void SetBold(ui::Ctl control, bool bold) override;
    void SetEnabled(ui::Ctl control, bool enabled) override;
    void SetTooltip(ui::Ctl control, std::string_view tip) override;

  private:
    void Line(std::string_view name, std::string_view what, std::string_view value);

    ui::View& inner_;
    std::FILE* out_;
};

// How a colour is written in the trace: #RRGGBB, or the system colour's name.
std::string ColourText(ui::Colour colour);
// Line breaks shown as " | ", so that every trace entry is one line.
std::string OneLine(std::string_view text);
// One line: "Name.what=value".
std::string TraceLine(std::string_view name, std::string_view what, std::string_view value);

}  // namespace dormix::tray_qt
