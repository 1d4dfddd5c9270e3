#pragma once
// TrayIconData: the notification-area record in its 88-byte ANSI layout,
// filled once and passed whole to every add and delete.

#include "platform/win32/WinApi.h"

namespace dormix::tray_win32 {

// The first (Windows 95) layout: cbSize tells the shell which fields exist.
inline constexpr DWORD TrayRecordSize = NOTIFYICONDATAA_V1_SIZE;
inline constexpr int TrayTipLength = 64;
inline constexpr UINT TrayCallbackMessage = WM_MOUSEMOVE;
inline constexpr UINT TrayFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;

class TrayIcon {
  public:
    void Prepare(HWND window, HICON icon);
    void Add();
    void Delete();
    // The taskbar was created anew (Explorer restarted after a crash): it
    // knows no icon any more, so one that was shown is added again.
    void Restore();
    const NOTIFYICONDATAA& Data() const { return data_; }
    // Whether a WM_MOUSEMOVE is the icon's callback rather than a real move
    // over the window: the shell passes the icon's id where a real move has
    // its key flags, and the event's message number where a real move has x.
    bool IsCallback(WPARAM wp, LPARAM lp) const;

  private:
    NOTIFYICONDATAA data_{};
    bool prepared_ = false;
    bool shown_ = false;
};

}  // namespace dormix::tray_win32
