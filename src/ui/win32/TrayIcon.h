#pragma once
// TrayIconData: the notification-area record in its 88-byte ANSI layout,
// filled once and passed whole to every add and delete.

#include "ui/win32/WinApi.h"

namespace dormix::win32 {

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
    const NOTIFYICONDATAA& Data() const { return data_; }

  private:
    NOTIFYICONDATAA data_{};
    bool prepared_ = false;
};

}  // namespace dormix::win32
