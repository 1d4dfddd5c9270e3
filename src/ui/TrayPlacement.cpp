#include "ui/TrayPlacement.h"

#include <cmath>

namespace dormix::ui {

TwipsPoint CentredPosition(TwipsSize screen, TwipsSize window) {
    return {screen.width / 2.0f - window.width / 2.0f, screen.height / 2.0f - window.height / 2.0f};
}

TrayPlacement::TrayPlacement(Shell& shell) : shell_(shell) {}

void TrayPlacement::OnMouseMove(double x) {
    if (std::lround(x) != TrayDoubleClick) return;
    RestoreFromTray();
    WindowOpenedByUser = true;
}

void TrayPlacement::MinimiseToTray() {
    if (!shell_.IsMinimised()) return;
    shell_.TrayAdd();
    shell_.HideWindow();
    WindowOpenedByUser = false;
}

void TrayPlacement::RestoreFromTray() {
    if (!shell_.IsMinimised()) return;
    shell_.SetNormal();
    shell_.TrayDelete();
    shell_.ShowWindow();
    const auto at = CentredPosition(shell_.ScreenSize(), shell_.WindowOuterSize());
    shell_.MoveWindow(at.left, at.top);
}

}  // namespace dormix::ui
