#include "frontend/tray_win32/WinShell.h"

#include <cmath>
#include <string>

#include "frontend/tray_win32/ControlIds.h"
#include "frontend/tray_win32/Dpi.h"
#include "ui/Texts.h"

namespace dormix::tray_win32 {

UINT MessageBoxStyle(ui::MessageIcon icon) {
    return MB_OK | (icon == ui::MessageIcon::Warning ? MB_ICONEXCLAMATION : 0);
}

WinShell::WinShell(HINSTANCE instance, int dpi, WinView& view)
    : instance_(instance),
      dpi_(dpi),
      view_(view),
      refresh_(RefreshTimerId,
               win32::TimerPeriodMs(ui::ControlOf(ui::Ctl::tmrRefresh).intervalMs)) {}

HWND WinShell::Main() const { return main_ ? main_->Handle() : nullptr; }

void WinShell::StartRefreshTimer() { refresh_.Start(Main()); }
void WinShell::StopRefreshTimer() { refresh_.Stop(); }

bool WinShell::IsMinimised() { return IsIconic(Main()); }

// Showing minimised without activation: the window does not flash up on
// its way to the tray. WM_SIZE reaches the core before this returns.
void WinShell::SetMinimised() { ::ShowWindow(Main(), SW_SHOWMINNOACTIVE); }

// SW_RESTORE also shows a hidden window; the core shows it right after anyway.
void WinShell::SetNormal() { ::ShowWindow(Main(), SW_RESTORE); }
void WinShell::ShowWindow() { ::ShowWindow(Main(), SW_SHOW); }
void WinShell::HideWindow() { ::ShowWindow(Main(), SW_HIDE); }

// The core centres in twips, as the screen and the frame measure at this dpi.
ui::TwipsSize WinShell::ScreenSize() {
    return {PixelsToTwips(GetSystemMetrics(SM_CXSCREEN), dpi_),
            PixelsToTwips(GetSystemMetrics(SM_CYSCREEN), dpi_)};
}

ui::TwipsSize WinShell::WindowOuterSize() {
    RECT r{};
    GetWindowRect(Main(), &r);
    return {PixelsToTwips(r.right - r.left, dpi_), PixelsToTwips(r.bottom - r.top, dpi_)};
}

void WinShell::MoveWindow(float left, float top) {
    const int x = static_cast<int>(std::lround(left * dpi_ / TwipsPerInch));
    const int y = static_cast<int>(std::lround(top * dpi_ / TwipsPerInch));
    SetWindowPos(Main(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void WinShell::SetTopmost() { SetWindowPos(Main(), HWND_TOPMOST, 0, 0, 0, 0, TopmostFlags); }
void WinShell::ClearTopmost() { SetWindowPos(Main(), HWND_NOTOPMOST, 0, 0, 0, 0, NotTopmostFlags); }

// The tray shows a 16 px image: the window's small icon, whose handle is also the id.
void WinShell::PrepareTrayIcon() { tray_.Prepare(Main(), main_ ? main_->SmallIcon() : nullptr); }
void WinShell::TrayAdd() { tray_.Add(); }
void WinShell::TrayDelete() { tray_.Delete(); }

void WinShell::MessageBox(std::string_view text, std::string_view title, ui::MessageIcon icon) {
    // Owned by the window that is modal now, so closing the box gives that
    // window back its input and leaves the others as they were.
    HWND owner = about_ && about_->Alive() ? about_->Handle() : Main();
    MessageBoxA(owner, std::string(text).c_str(), std::string(title).c_str(),
                MessageBoxStyle(icon));
}

void WinShell::ShowAboutModal() {
    about_ = std::make_unique<AboutForm>(instance_, dpi_, *app_, view_);
    about_->Build();
    app_->OnAboutLoad();
    // Modal without an owner: the main window takes no input meanwhile, and
    // the loop below keeps dispatching its timer so the core can close us.
    mainDisabled_ = Main() && !EnableWindow(Main(), FALSE);
    about_->onClosing = [this] { ReleaseMain(); };
    ::ShowWindow(about_->Handle(), SW_SHOW);
    RunAboutLoop();
    ReleaseMain();
    about_.reset();
}

// Before the About window goes: the system hands the activation to the
// next window that can take it, and a disabled main window cannot, which
// would leave no window active and the keyboard with nowhere to go.
void WinShell::ReleaseMain() {
    if (!mainDisabled_) return;
    mainDisabled_ = false;
    EnableWindow(Main(), TRUE);
}

void WinShell::RunAboutLoop() {
    MSG msg;
    while (about_->Alive()) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));  // for the outer loop
            return;
        }
        if (!IsDialogMessageA(about_->Handle(), &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

// Called from the main timer's tick inside the About loop, or from the
// About window's own button: either way the loop sees the window gone.
void WinShell::CloseAbout() {
    if (!about_ || !about_->Alive()) return;
    ReleaseMain();
    DestroyWindow(about_->Handle());
}

void WinShell::ProcessPendingMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// ShellExecute's result is a handle in name only: above 32 is success.
bool WinShell::OpenWebPage(std::string_view address) {
    HWND owner = about_ && about_->Alive() ? about_->Handle() : Main();
    // Empty parameter and folder texts, not null pointers.
    HINSTANCE r = ShellExecuteA(owner, std::string(text::AboutOpenVerb).c_str(),
                                std::string(address).c_str(), "", "", SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(r) > 32;
}

// Results ignored: a refused raise leaves the program at normal priority.
void WinShell::RaisePriority() {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS);
}

void WinShell::SetNoticeTopmost() {
    if (notice_) SetWindowPos(notice_, HWND_TOPMOST, 0, 0, 0, 0, TopmostFlags);
}

// At once, as the core asks: no unloading, no destructors, no more messages.
void WinShell::EndProcess(bool failed) { ExitProcess(failed ? 1 : 0); }

}  // namespace dormix::tray_win32
