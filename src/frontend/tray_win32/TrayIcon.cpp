#include "frontend/tray_win32/TrayIcon.h"

#include <cstddef>
#include <cstring>

#include "ui/Texts.h"

namespace dormix::tray_win32 {

static_assert(TrayRecordSize == 88);
static_assert(offsetof(NOTIFYICONDATAA, szTip) + TrayTipLength == TrayRecordSize);
static_assert(TrayFlags == 7 && TrayCallbackMessage == 0x200);

void TrayIcon::Prepare(HWND window, HICON icon) {
    data_ = {};
    data_.cbSize = TrayRecordSize;
    data_.hIcon = icon;
    data_.hWnd = window;
    // The tip, its terminating NUL, then blanks to the end of the 64 characters.
    std::memset(data_.szTip, ' ', TrayTipLength);
    std::memcpy(data_.szTip, text::ProductTitle.data(), text::ProductTitle.size());
    data_.szTip[text::ProductTitle.size()] = '\0';
    data_.uCallbackMessage = TrayCallbackMessage;
    data_.uFlags = TrayFlags;
    // The icon's handle doubles as its id: the same number on every call.
    data_.uID = static_cast<UINT>(reinterpret_cast<UINT_PTR>(icon));
    prepared_ = true;
}

// Results ignored: a second add for the same window and id is refused by
// the shell, and with no notification area the window just stays hidden.
void TrayIcon::Add() {
    if (!prepared_) return;
    Shell_NotifyIconA(NIM_ADD, &data_);
    shown_ = true;
}

void TrayIcon::Restore() {
    if (shown_) Shell_NotifyIconA(NIM_ADD, &data_);
}

bool TrayIcon::IsCallback(WPARAM wp, LPARAM lp) const {
    return prepared_ && wp == data_.uID && HIWORD(lp) == 0;
}

void TrayIcon::Delete() {
    if (prepared_) Shell_NotifyIconA(NIM_DELETE, &data_);
    shown_ = false;
}

}  // namespace dormix::tray_win32
