#include "ui/TrayPlacement.h"

#include <cmath>

namespace dormix::ui {

TwipsPoint CentredPosition(TwipsSize screen, TwipsSize window) {
    return {screen.width / 2.0f - window.width / 2.0f, screen.height / 2.0f - window.height / 2.0f};
}

TrayPlacement::TrayPlacement(WindowState& window, NotificationIcon& icon)
    : window_(window), icon_(icon) {}

void TrayPlacement::OnMouseMove(double x) {
    if (std::lround(x) == TrayDoubleClick) OnTrayDoubleClick();
}

void TrayPlacement::OnTrayDoubleClick() {
    RestoreFromTray();
    WindowOpenedByUser = true;
}

void TrayPlacement::MinimiseToTray() {
    if (!window_.IsMinimised()) return;
    icon_.TrayAdd();
    window_.HideWindow();
    WindowOpenedByUser = false;
}

void TrayPlacement::RestoreFromTray() {
    if (!window_.IsMinimised()) return;
    window_.SetNormal();
    icon_.TrayDelete();
    window_.ShowWindow();
    const auto at = CentredPosition(window_.ScreenSize(), window_.WindowOuterSize());
    window_.MoveWindow(at.left, at.top);
}

}  // namespace dormix::ui
