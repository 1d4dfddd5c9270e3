#pragma once
// The notification-area icon and where the main window stands.

#include "ui/WindowPorts.h"

namespace dormix::ui {

// WM_LBUTTONDBLCLK, as the Windows icon reports it in a mouse move.
inline constexpr int TrayDoubleClick = 515;

struct TwipsPoint {
    float left = 0, top = 0;
};

// Centre of the screen for a window of the given outer size, in twips.
TwipsPoint CentredPosition(TwipsSize screen, TwipsSize window);

class TrayPlacement {
  public:
    TrayPlacement(WindowState& window, NotificationIcon& icon);

    // Windows: the icon's mouse events arrive as mouse moves on the main
    // window, with the event's message number as the X coordinate.
    void OnMouseMove(double x);
    // The icon was double-clicked: the window comes out, centred.
    void OnTrayDoubleClick();
    // The main window's resize handler.
    void MinimiseToTray();
    void RestoreFromTray();

    bool WindowOpenedByUser = false;

  private:
    WindowState& window_;
    NotificationIcon& icon_;
};

}  // namespace dormix::ui
