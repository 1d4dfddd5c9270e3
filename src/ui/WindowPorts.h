#pragma once
// What the core asks of the main window and the desktop around it, one
// small port per kind of need. Each front end implements the ones it has;
// the tests hold a fake that records every call. The headless system watch
// has a timer and messages only.

#include <string_view>

namespace dormix::ui {

// The main window's one-second timer `tmrRefresh` (the watch's tick).
class RefreshTimer {
  public:
    virtual ~RefreshTimer() = default;
    virtual void StartRefreshTimer() = 0;
    virtual void StopRefreshTimer() = 0;
};

enum class MessageIcon { None, Warning };

// A modal message box with an OK button; returns when it is closed. The
// watch, which has no desktop, writes the message to its console instead.
class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    virtual void MessageBox(std::string_view text, std::string_view title, MessageIcon icon) = 0;
};

struct TwipsSize {
    float width = 0, height = 0;
};

// Window state and placement of the main window. SetMinimised may report
// the resize back to the core at once (Win32) or later (Qt); the core copes
// with both.
class WindowState {
  public:
    virtual ~WindowState() = default;
    virtual bool IsMinimised() = 0;
    virtual void SetMinimised() = 0;
    virtual void SetNormal() = 0;
    virtual void ShowWindow() = 0;
    virtual void HideWindow() = 0;
    virtual TwipsSize ScreenSize() = 0;                  // primary screen
    virtual TwipsSize WindowOuterSize() = 0;             // main window with its frame
    virtual void MoveWindow(float left, float top) = 0;  // twips, outer position
    virtual void SetTopmost() = 0;                       // above all windows, shown, not activated
    virtual void ClearTopmost() = 0;  // back among ordinary windows, nothing else
};

// The notification-area icon, always the same record.
class NotificationIcon {
  public:
    virtual ~NotificationIcon() = default;
    virtual void PrepareTrayIcon() = 0;
    virtual void TrayAdd() = 0;
    virtual void TrayDelete() = 0;
};

// The About window and what its web link needs.
class AboutHost {
  public:
    virtual ~AboutHost() = default;
    // Shown modally, returns once it has closed. While it is open the
    // refresh timer keeps ticking, and CloseAbout unloads it.
    virtual void ShowAboutModal() = 0;
    virtual void CloseAbout() = 0;
    // Let pending window messages run (before opening the browser).
    virtual void ProcessPendingMessages() = 0;
    // Open the page in the user's browser; false when it could not be opened.
    virtual bool OpenWebPage(std::string_view address) = 0;
};

}  // namespace dormix::ui
