#pragma once
// The window ports over Win32: the main window's timer, state and placement,
// the tray icon, message boxes, the modal About window and the process.

#include <memory>

#include "app/Application.h"
#include "frontend/tray_win32/Forms.h"
#include "frontend/tray_win32/TrayIcon.h"
#include "frontend/tray_win32/WinView.h"
#include "platform/win32/BeatTimer.h"
#include "ui/WindowPorts.h"

namespace dormix::tray_win32 {

// SetWindowPos flags of the two placements (0x53 and 0x13).
inline constexpr UINT TopmostFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW;
inline constexpr UINT NotTopmostFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE;
static_assert(TopmostFlags == 0x53 && NotTopmostFlags == 0x13);

UINT MessageBoxStyle(ui::MessageIcon icon);

class WinShell : public ui::RefreshTimer,
                 public ui::MessageBoxes,
                 public ui::WindowState,
                 public ui::NotificationIcon,
                 public ui::AboutHost,
                 public app::ProgramHost,
                 public log::ProcessExit {
  public:
    WinShell(HINSTANCE instance, int dpi, WinView& view);

    // Wiring, in the order main() builds things.
    void SetApplication(app::Application& app) { app_ = &app; }
    void AttachMain(MainWindow& main) { main_ = &main; }
    void AttachNotice(HWND notice) { notice_ = notice; }

    // A tmrRefresh WM_TIMER arrived; true when the core should tick.
    bool RefreshBeat() { return refresh_.Beat(); }
    const TrayIcon& Tray() const { return tray_; }
    void RestoreTrayIcon() { tray_.Restore(); }
    AboutForm* About() { return about_.get(); }

    void StartRefreshTimer() override;
    void StopRefreshTimer() override;
    bool IsMinimised() override;
    void SetMinimised() override;
    void SetNormal() override;
    void ShowWindow() override;
    void HideWindow() override;
    ui::TwipsSize ScreenSize() override;
    ui::TwipsSize WindowOuterSize() override;
    void MoveWindow(float left, float top) override;
    void SetTopmost() override;
    void ClearTopmost() override;
    void PrepareTrayIcon() override;
    void TrayAdd() override;
    void TrayDelete() override;
    void MessageBox(std::string_view text, std::string_view title, ui::MessageIcon icon) override;
    void ShowAboutModal() override;
    void CloseAbout() override;
    void ProcessPendingMessages() override;
    bool OpenWebPage(std::string_view address) override;
    void RaisePriority() override;
    void SetNoticeTopmost() override;
    void EndProcess(bool failed) override;

  private:
    HWND Main() const;
    void RunAboutLoop();
    void ReleaseMain();

    HINSTANCE instance_;
    int dpi_;
    WinView& view_;
    app::Application* app_ = nullptr;
    MainWindow* main_ = nullptr;
    HWND notice_ = nullptr;
    win32::BeatTimer refresh_;
    TrayIcon tray_;
    std::unique_ptr<AboutForm> about_;
    bool mainDisabled_ = false;  // by the open About window
};

}  // namespace dormix::tray_win32
