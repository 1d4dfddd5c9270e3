#pragma once
// The notification-area icon and where the main window stands.

#include "ui/Shell.h"

namespace dormix::ui {

inline constexpr int TrayDoubleClick = 515;  // WM_LBUTTONDBLCLK, as the icon reports it

struct TwipsPoint {
    float left = 0, top = 0;
};

// Centre of the screen for a window of the given outer size, in twips.
TwipsPoint CentredPosition(TwipsSize screen, TwipsSize window);

class TrayPlacement {
public:
    explicit TrayPlacement(Shell& shell);

    // The icon's mouse events arrive as mouse moves on the main window, with
    // the event's message number as the X coordinate.
    void OnMouseMove(double x);
    // The main window's resize handler.
    void MinimiseToTray();
    void RestoreFromTray();

    bool WindowOpenedByUser = false;

private:
    Shell& shell_;
};

}  // namespace dormix::ui
