#pragma once
// The core's View over Qt widgets. Windows register their controls as they
// are built; a window that has gone (the About window after it closed)
// leaves its entries null and changes to them are dropped.

#include <QPointer>
#include <QWidget>
#include <map>

#include "ui/View.h"

namespace dormix::tray_qt {

class QtView final : public ui::View {
  public:
    void RegisterWindow(ui::Wnd id, QWidget* window) { windows_[id] = window; }
    void RegisterControl(ui::Ctl id, QWidget* control) { controls_[id] = control; }
    QWidget* Window(ui::Wnd id) const;
    QWidget* Control(ui::Ctl id) const;

    void SetWindowCaption(ui::Wnd window, std::string_view caption) override;
    void SetCaption(ui::Ctl control, std::string_view caption) override;
    void SetForeColour(ui::Ctl control, ui::Colour colour) override;
    void SetBackColour(ui::Ctl control, ui::Colour colour) override;
    void SetBold(ui::Ctl control, bool bold) override;
    void SetEnabled(ui::Ctl control, bool enabled) override;
    void SetTooltip(ui::Ctl control, std::string_view tip) override;

    // How many changes Qt was asked to make; what is already shown is never
    // asked for again.
    long ChangesApplied() const { return applied_; }

  private:
    template <typename Change>
    void Apply(Change change) {
        change();
        ++applied_;
    }

    long applied_ = 0;
    std::map<ui::Wnd, QPointer<QWidget>> windows_;
    std::map<ui::Ctl, QPointer<QWidget>> controls_;
};

// Texts come with Windows line ends; Qt shows a lone CR as a glyph.
QString DisplayText(std::string_view text);

}  // namespace dormix::tray_qt
