#include "frontend/tray_win32/Forms.h"

#include <string>

#include "frontend/tray_win32/ControlIds.h"
#include "frontend/tray_win32/Dpi.h"
#include "frontend/tray_win32/Resources.h"
#include "frontend/tray_win32/WinShell.h"

namespace dormix::tray_win32 {

using ui::Ctl;

DWORD FixedBorderStyle(const ui::Window& def) {
    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_CLIPCHILDREN;
    if (def.systemMenu) style |= WS_SYSMENU;
    if (def.minimiseBox) style |= WS_MINIMIZEBOX;
    if (def.maximiseBox) style |= WS_MAXIMIZEBOX;
    return style;
}

// Shared: every opening of the About window asks again, and the system
// hands back the same handles instead of new ones that would leak.
HICON LoadIconSized(HINSTANCE instance, int id, int size) {
    return static_cast<HICON>(
        LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, LR_SHARED));
}

namespace {

// A control id from a WM_COMMAND, as the inventory's control, if it is one.
bool ControlFromId(int id, Ctl& out) {
    const int index = id - ControlIdBase;
    for (const auto& c : ui::Controls())
        if (static_cast<int>(c.id) == index) {
            out = c.id;
            return true;
        }
    return false;
}

void SetWindowIcons(HWND hwnd, HICON big, HICON little) {
    SendMessageA(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    SendMessageA(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(little));
}

// The inert menu tree: built so it exists, never attached, never opened.
HMENU BuildHiddenMenu() {
    HMENU levels[3] = {CreateMenu(), nullptr, nullptr};
    const auto entries = ui::MainMenu();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& e = entries[i];
        const bool opens = i + 1 < entries.size() && entries[i + 1].level > e.level;
        HMENU into = levels[e.level];
        if (e.caption == "-") {
            AppendMenuA(into, MF_SEPARATOR, 0, nullptr);
        } else if (opens) {
            levels[e.level + 1] = CreatePopupMenu();
            AppendMenuA(into, MF_POPUP, reinterpret_cast<UINT_PTR>(levels[e.level + 1]),
                        std::string(e.caption).c_str());
        } else {
            AppendMenuA(into, MF_STRING, 0, std::string(e.caption).c_str());
        }
    }
    return levels[0];
}

}  // namespace

// ---- DormixMain ------------------------------------------------------------

MainWindow::MainWindow(HINSTANCE instance, int dpi, app::Application& app, WinView& view,
                       WinShell& shell)
    : instance_(instance), dpi_(dpi), app_(app), view_(view), shell_(shell) {}

MainWindow::~MainWindow() {
    view_.Detach(ui::Wnd::DormixMain);
    if (menu_) DestroyMenu(menu_);
}

void MainWindow::Build() {
    const auto& def = ui::WindowOf(ui::Wnd::DormixMain);
    icon_ = LoadIconSized(instance_, IDI_PROGRAM, GetSystemMetrics(SM_CXICON));
    smallIcon_ = LoadIconSized(instance_, IDI_PROGRAM, GetSystemMetrics(SM_CXSMICON));
    RegisterWindowClass(instance_, {MainClass, icon_, smallIcon_, GetSysColorBrush(COLOR_BTNFACE)});
    Create(instance_, MainClass, std::string(def.caption).c_str(), FixedBorderStyle(def),
           TwipsToPixels(def.clientWidth, dpi_), TwipsToPixels(def.clientHeight, dpi_));
}

void MainWindow::OnCreate() {
    SetWindowIcons(Handle(), icon_, smallIcon_);
    controls_.Create(instance_, Handle(), ui::Wnd::DormixMain, dpi_);
    menu_ = BuildHiddenMenu();
    view_.Attach(ui::Wnd::DormixMain, Handle(), controls_);
}

// Re-armed before the tick runs: the tick may stop the timer (a reset) or
// open a message box whose own loop delivers the next ticks.
void MainWindow::OnTimer(UINT_PTR id) {
    if (id == RefreshTimerId && shell_.RefreshBeat()) app_.OnRefreshTick();
}

void MainWindow::OnCommand(int id, int code, HWND) {
    Ctl c;
    if (code != BN_CLICKED || !ControlFromId(id, c)) return;
    switch (c) {
        case Ctl::Reset:
            return app_.OnResetClick();
        case Ctl::TestS:
            return app_.OnTestClick();
        case Ctl::About:
            return app_.OnAboutClick();
        case Ctl::Exit:
            return app_.OnExitClick();
        default:
            return;
    }
}

// The window is never destroyed here: the unload logs the exit and ends
// the process, or, where the administrator keeps the program running, the
// window goes back to the tray.
bool MainWindow::OnClose() {
    app_.OnMainClose();
    return true;
}

void MainWindow::OnSize(UINT) { app_.OnMainResize(); }

// The tray icon reports its events here too (its callback message is
// WM_MOUSEMOVE), with the event's message number where x would be. Real
// moves are not decoded: above 96 dpi the client area is wide enough for a
// real x of 515, which would read as a double-click on the icon.
void MainWindow::OnMouseMove(WPARAM wp, LPARAM lp) {
    if (shell_.Tray().IsCallback(wp, lp)) app_.OnMainMouseMove(GET_X_LPARAM(lp));
}

void MainWindow::OnActivate(bool active) {
    if (active) RestoreFocus(Handle());
}

// The session ending unloads the window as closing it does, so the log
// gets its exit entry before the system takes the process down.
void MainWindow::OnEndSession(bool ending) {
    if (ending) app_.OnSessionEnd();
}

void MainWindow::OnTaskbarCreated() { shell_.RestoreTrayIcon(); }
void MainWindow::OnResume() { app_.OnResume(); }

// ---- frmAbout --------------------------------------------------------------

AboutForm::AboutForm(HINSTANCE instance, int dpi, app::Application& app, WinView& view)
    : instance_(instance),
      dpi_(dpi),
      app_(app),
      view_(view),
      timer1_(AboutTimerId, win32::TimerPeriodMs(ui::ControlOf(Ctl::Timer1).intervalMs)) {}

AboutForm::~AboutForm() {
    view_.Detach(ui::Wnd::frmAbout);
    if (background_) DeleteObject(background_);
}

void AboutForm::Build() {
    const auto& def = ui::WindowOf(ui::Wnd::frmAbout);
    icon_ = LoadIconSized(instance_, IDI_ABOUT, GetSystemMetrics(SM_CXICON));
    smallIcon_ = LoadIconSized(instance_, IDI_ABOUT, GetSystemMetrics(SM_CXSMICON));
    RegisterWindowClass(instance_, {AboutClass, icon_, smallIcon_, nullptr});
    background_ = static_cast<HBITMAP>(
        LoadImageA(instance_, MAKEINTRESOURCEA(IDB_ABOUTBACKGROUND), IMAGE_BITMAP, 0, 0, 0));
    Create(instance_, AboutClass, std::string(def.caption).c_str(), FixedBorderStyle(def),
           TwipsToPixels(def.clientWidth, dpi_), TwipsToPixels(def.clientHeight, dpi_));
}

void AboutForm::OnCreate() {
    SetWindowIcons(Handle(), icon_, smallIcon_);
    // Transparent labels need the background under them: no clipping of children.
    SetWindowLongPtrA(Handle(), GWL_STYLE,
                      GetWindowLongPtrA(Handle(), GWL_STYLE) & ~WS_CLIPCHILDREN);
    controls_.Create(instance_, Handle(), ui::Wnd::frmAbout, dpi_);
    view_.Attach(ui::Wnd::frmAbout, Handle(), controls_);
    if (ui::ControlOf(Ctl::Timer1).enabled) timer1_.Start(Handle());
}

void AboutForm::OnTimer(UINT_PTR id) {
    if (id == AboutTimerId && timer1_.Beat()) app_.OnAboutTimer();
}

// The link is a STATIC with SS_NOTIFY: its click arrives as STN_CLICKED.
void AboutForm::OnCommand(int id, int code, HWND) {
    Ctl c;
    if (!ControlFromId(id, c)) return;
    if (c == Ctl::ExitAbout && code == BN_CLICKED) app_.OnAboutExitClick();
    if (c == Ctl::WebSite && code == STN_CLICKED) app_.OnWebSiteClick();
}

// Alt+F4 or a close from outside: the window goes, and the core hears of it.
bool AboutForm::OnClose() {
    app_.OnAboutClosedOtherwise();
    if (onClosing) onClosing();
    return false;
}

void AboutForm::OnDestroy() {
    timer1_.Stop();
    view_.Detach(ui::Wnd::frmAbout);
}

void AboutForm::OnActivate(bool active) {
    if (active) RestoreFocus(Handle());
}

// The background picture at its natural size (scaled with the dpi); the
// white panel is painted here too, under the transparent labels.
bool AboutForm::OnEraseBackground(HDC dc) {
    RECT client;
    GetClientRect(Handle(), &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    if (background_) {
        BITMAP bm{};
        GetObjectA(background_, sizeof bm, &bm);
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(mem, background_);
        StretchBlt(dc, 0, 0, MulDiv(bm.bmWidth, dpi_, 96), MulDiv(bm.bmHeight, dpi_, 96), mem, 0, 0,
                   bm.bmWidth, bm.bmHeight, SRCCOPY);
        SelectObject(mem, old);
        DeleteDC(mem);
    }
    controls_.PaintOpaqueLabels(dc);
    return true;
}

bool AboutForm::OnSetCursor(HWND over) {
    if (over != controls_.Handle(Ctl::WebSite)) return false;
    SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)));  // IDC_HAND
    return true;
}

// ---- MultiInst -------------------------------------------------------------

NoticeWindow::NoticeWindow(HINSTANCE instance, int dpi, app::Application& app, WinView& view)
    : instance_(instance), dpi_(dpi), app_(app), view_(view) {}

NoticeWindow::~NoticeWindow() { view_.Detach(ui::Wnd::MultiInst); }

void NoticeWindow::Build() {
    const auto& def = ui::WindowOf(ui::Wnd::MultiInst);
    icon_ = LoadIconSized(instance_, IDI_PROGRAM, GetSystemMetrics(SM_CXICON));
    smallIcon_ = LoadIconSized(instance_, IDI_PROGRAM, GetSystemMetrics(SM_CXSMICON));
    RegisterWindowClass(instance_,
                        {NoticeClass, icon_, smallIcon_, GetSysColorBrush(COLOR_BTNFACE)});
    Create(instance_, NoticeClass, std::string(def.caption).c_str(), FixedBorderStyle(def),
           TwipsToPixels(def.clientWidth, dpi_), TwipsToPixels(def.clientHeight, dpi_));
}

void NoticeWindow::OnCreate() {
    SetWindowIcons(Handle(), icon_, smallIcon_);
    controls_.Create(instance_, Handle(), ui::Wnd::MultiInst, dpi_);
    view_.Attach(ui::Wnd::MultiInst, Handle(), controls_);
}

void NoticeWindow::OnCommand(int id, int code, HWND) {
    Ctl c;
    if (code == BN_CLICKED && ControlFromId(id, c) && c == Ctl::NoticeExit) app_.OnNoticeOk();
}

void NoticeWindow::OnActivate(bool active) {
    if (!active) return;
    RestoreFocus(Handle());
    app_.OnNoticeActivate();
}

// The notice is the only window of its copy: when it goes, the copy ends.
void NoticeWindow::OnDestroy() {
    view_.Detach(ui::Wnd::MultiInst);
    PostQuitMessage(0);
}

}  // namespace dormix::tray_win32
