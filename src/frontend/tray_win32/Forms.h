#pragma once
// The three windows of the inventory. Each builds its controls from the
// table and turns its messages into the Application's On... events.

#include <functional>

#include "app/Application.h"
#include "frontend/tray_win32/ControlSet.h"
#include "frontend/tray_win32/WinView.h"
#include "frontend/tray_win32/Wnd.h"
#include "platform/win32/BeatTimer.h"

namespace dormix::tray_win32 {

class WinShell;

// Window style from the inventory's title-bar buttons: a fixed single border.
DWORD FixedBorderStyle(const ui::Window& def);
// The window's images at this dpi.
HICON LoadIconSized(HINSTANCE instance, int id, int size);

class MainWindow final : public Wnd {
  public:
    MainWindow(HINSTANCE instance, int dpi, app::Application& app, WinView& view, WinShell& shell);
    ~MainWindow() override;
    void Build();  // created hidden; the loading then runs in the core
    ControlSet& Controls() { return controls_; }
    HMENU HiddenMenu() const { return menu_; }
    HICON SmallIcon() const { return smallIcon_; }

  protected:
    void OnCreate() override;
    void OnTimer(UINT_PTR id) override;
    void OnCommand(int id, int code, HWND control) override;
    bool OnClose() override;
    void OnSize(UINT type) override;
    void OnMouseMove(WPARAM wp, LPARAM lp) override;
    void OnActivate(bool active) override;
    void OnEndSession(bool ending) override;
    void OnTaskbarCreated() override;
    void OnResume() override;
    HBRUSH OnCtlColorStatic(HDC dc, HWND child) override {
        return controls_.OnCtlColorStatic(dc, child);
    }
    bool OnDrawItem(const DRAWITEMSTRUCT& di) override { return controls_.OnDrawItem(di); }

  private:
    HINSTANCE instance_;
    int dpi_;
    app::Application& app_;
    WinView& view_;
    WinShell& shell_;
    ControlSet controls_;
    HMENU menu_ = nullptr;
    HICON icon_ = nullptr, smallIcon_ = nullptr;
};

class AboutForm final : public Wnd {
  public:
    AboutForm(HINSTANCE instance, int dpi, app::Application& app, WinView& view);
    ~AboutForm() override;
    void Build();  // created hidden with Timer1 running
    ControlSet& Controls() { return controls_; }
    // Runs when a close from outside is about to destroy the window.
    std::function<void()> onClosing;

  protected:
    void OnCreate() override;
    void OnTimer(UINT_PTR id) override;
    void OnCommand(int id, int code, HWND control) override;
    bool OnClose() override;
    void OnDestroy() override;
    void OnActivate(bool active) override;
    HBRUSH OnCtlColorStatic(HDC dc, HWND child) override {
        return controls_.OnCtlColorStatic(dc, child);
    }
    bool OnEraseBackground(HDC dc) override;
    bool OnSetCursor(HWND over) override;

  private:
    HINSTANCE instance_;
    int dpi_;
    app::Application& app_;
    WinView& view_;
    ControlSet controls_;
    win32::BeatTimer timer1_;
    HBITMAP background_ = nullptr;
    HICON icon_ = nullptr, smallIcon_ = nullptr;
};

class NoticeWindow final : public Wnd {
  public:
    NoticeWindow(HINSTANCE instance, int dpi, app::Application& app, WinView& view);
    ~NoticeWindow() override;
    void Build();
    ControlSet& Controls() { return controls_; }

  protected:
    void OnCreate() override;
    void OnCommand(int id, int code, HWND control) override;
    void OnActivate(bool active) override;
    void OnDestroy() override;
    HBRUSH OnCtlColorStatic(HDC dc, HWND child) override {
        return controls_.OnCtlColorStatic(dc, child);
    }
    bool OnDrawItem(const DRAWITEMSTRUCT& di) override { return controls_.OnDrawItem(di); }

  private:
    HINSTANCE instance_;
    int dpi_;
    app::Application& app_;
    WinView& view_;
    ControlSet controls_;
    HICON icon_ = nullptr, smallIcon_ = nullptr;
};

}  // namespace dormix::tray_win32
