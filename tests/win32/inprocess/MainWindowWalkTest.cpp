// The core driving the real Win32 main window: start in the tray, ticks
// injected as WM_TIMER (no waiting), the countdown's look on the real
// controls, Cancel, and the tray callback's decoding.
#include <gtest/gtest.h>

#include "Fakes.h"
#include "frontend/tray_win32/ControlIds.h"
#include "frontend/tray_win32/Dpi.h"
#include "frontend/tray_win32/Forms.h"
#include "frontend/tray_win32/WinShell.h"

namespace dormix::tray_win32 {
namespace {

using ui::Ctl;

struct Program {
    explicit Program(std::string arguments)
        : app({.view = view,
               .desktop = app::Desktop::Of(shell),
               .input = &input,
               .files = files,
               .clock = clock,
               .power = power,
               .marker = marker,
               .systemLog = systemLog},
              std::move(arguments), "DormixL") {
        shell.SetApplication(app);
        shell.AttachMain(main);
        main.Build();
    }
    void Tick(int n = 1) {
        for (int i = 0; i < n; ++i) SendMessageA(main.Handle(), WM_TIMER, RefreshTimerId, 0);
    }
    void Click(Ctl c) {
        SendMessageA(main.Handle(), WM_COMMAND, MAKEWPARAM(ControlId(c), BN_CLICKED),
                     reinterpret_cast<LPARAM>(main.Controls().Handle(c)));
    }
    std::string Text(Ctl c) {
        char text[256] = {};
        GetWindowTextA(main.Controls().Handle(c), text, sizeof text);
        return text;
    }
    std::string Caption() {
        char text[256] = {};
        GetWindowTextA(main.Handle(), text, sizeof text);
        return text;
    }
    // What a label is painted with: text colour, background colour, weight.
    struct Look {
        COLORREF text, back;
        LONG weight;
    };
    Look LookOf(Ctl c) {
        HWND h = main.Controls().Handle(c);
        HDC dc = CreateCompatibleDC(nullptr);
        auto brush = reinterpret_cast<HBRUSH>(SendMessageA(main.Handle(), WM_CTLCOLORSTATIC,
                                                           reinterpret_cast<WPARAM>(dc),
                                                           reinterpret_cast<LPARAM>(h)));
        LOGBRUSH lb{};
        GetObjectA(brush, sizeof lb, &lb);
        Look look{GetTextColor(dc), lb.lbColor, 0};
        DeleteDC(dc);
        LOGFONTA lf{};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(h, WM_GETFONT, 0, 0)), sizeof lf, &lf);
        look.weight = lf.lfWeight;
        return look;
    }
    bool Topmost() { return (GetWindowLongA(main.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }
    bool Enabled(Ctl c) { return IsWindowEnabled(main.Controls().Handle(c)) != 0; }

    WinView view;
    WinShell shell{GetModuleHandleA(nullptr), SystemDpi(), view};
    testing::FakeInput input;
    testing::MemoryLogFiles files;
    testing::FakeClock clock;
    testing::FakePower power;
    testing::MarkerSystem markers;
    testing::FakeMarker marker{markers};
    testing::RecordingSystemLog systemLog;
    app::Application app;
    MainWindow main{GetModuleHandleA(nullptr), SystemDpi(), app, view, shell};
};

TEST(MainWindowWalk, StartCountdownCancelAndTrayDoubleClickOnTheRealWindow) {
    Program p("-InhibitShutdown");
    p.app.OnMainLoad();
    HWND w = p.main.Handle();

    // Loaded into the tray, with the record the shell gets.
    EXPECT_FALSE(IsWindowVisible(w));
    EXPECT_TRUE(IsIconic(w));
    const NOTIFYICONDATAA& tray = p.shell.Tray().Data();
    EXPECT_EQ(tray.cbSize, 88u);
    EXPECT_EQ(tray.hWnd, w);
    EXPECT_EQ(tray.hIcon, p.main.SmallIcon());
    EXPECT_EQ(tray.uID, static_cast<UINT>(reinterpret_cast<UINT_PTR>(tray.hIcon)));
    EXPECT_EQ(tray.uFlags, 7u);
    EXPECT_EQ(tray.uCallbackMessage, 0x200u);
    EXPECT_EQ(std::string(tray.szTip, 64),
              std::string("Dormix Lite") + '\0' + std::string(52, ' '));
    // Explorer restarted: its new taskbar knows no icon, and the window adds
    // it again (NIM_MODIFY succeeds only for an icon the taskbar has).
    const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    NOTIFYICONDATAA probe = tray;
    auto inTray = [&] { return Shell_NotifyIconA(NIM_MODIFY, &probe) != FALSE; };
    EXPECT_TRUE(inTray());
    Shell_NotifyIconA(NIM_DELETE, &probe);
    ASSERT_FALSE(inTray());
    SendMessageA(w, taskbarCreated, 0, 0);
    EXPECT_TRUE(inTray());
    EXPECT_EQ(p.Caption(), "Dormix Lite");
    EXPECT_EQ(p.Text(Ctl::Title),
              "Power Off the computer if there is no input activity for over 6 sec");
    EXPECT_EQ(p.Text(Ctl::Counter), "Program Activation In 2s");
    EXPECT_EQ(p.main.Controls().Tooltip(Ctl::Exit), "Exit Dormix Lite");
    const auto normal = p.LookOf(Ctl::Counter);
    EXPECT_EQ(normal.text, GetSysColor(COLOR_BTNTEXT));
    EXPECT_EQ(normal.back, GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(normal.weight, FW_NORMAL);

    p.Tick(2 + 3);
    EXPECT_EQ(p.Text(Ctl::Counter), "No key or mouse activity for the last 3s");
    auto look = p.LookOf(Ctl::Counter);
    EXPECT_EQ(look.text, 0x0080FFu) << "orange";
    EXPECT_EQ(look.weight, FW_BOLD);

    p.Tick(3);  // the sixth idle second starts the countdown in the same tick
    EXPECT_EQ(p.Text(Ctl::Counter), "The Computer Will Power Off In 6s");
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_FALSE(IsIconic(w));
    EXPECT_TRUE(p.Topmost());
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_NEAR(r.left, (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2, 1);
    EXPECT_NEAR(r.top, (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2, 1);
    look = p.LookOf(Ctl::Counter);
    EXPECT_EQ(look.text, 0xFFFFFFu);
    EXPECT_EQ(look.back, 0x0080FFu);
    EXPECT_EQ(p.LookOf(Ctl::CPULoad).back, 0x0080FFu);
    EXPECT_FALSE(p.Enabled(Ctl::About));
    EXPECT_FALSE(p.Enabled(Ctl::TestS));
    EXPECT_FALSE(p.Enabled(Ctl::Exit));
    EXPECT_TRUE(p.Enabled(Ctl::Reset));
    EXPECT_EQ(p.Text(Ctl::Reset), "Cancel");
    EXPECT_EQ(p.main.Controls().Tooltip(Ctl::Reset), "Cancel Dormix Lite Power Off");

    p.Tick(2);
    p.Click(Ctl::Reset);
    EXPECT_EQ(p.files.Entries().back(), " Reset    , Power Off , Count:   3");
    EXPECT_FALSE(IsWindowVisible(w)) << "back to the tray: the countdown brought it out";
    EXPECT_TRUE(IsIconic(w));
    EXPECT_FALSE(p.Topmost());
    look = p.LookOf(Ctl::Counter);
    EXPECT_EQ(look.back, GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(look.weight, FW_NORMAL);
    EXPECT_TRUE(p.Enabled(Ctl::Exit));
    EXPECT_EQ(p.Text(Ctl::Reset), "Reset");
    EXPECT_EQ(p.main.Controls().Tooltip(Ctl::Reset), "Reset Dormix Lite");

    // The tray's callback arrives as WM_MOUSEMOVE with the icon's id and the
    // mouse message as x: only a left double-click (515) brings the window
    // out. A real move at x = 515 (a window wider than 515 px) is no click.
    const WPARAM icon = p.shell.Tray().Data().uID;
    for (int message : {0x200, 0x201, 0x202, 0x204, 0x205, 0x206})
        SendMessageA(w, WM_MOUSEMOVE, icon, MAKELPARAM(message, 0));
    for (WPARAM keys : {WPARAM(0), WPARAM(MK_LBUTTON)})
        SendMessageA(w, WM_MOUSEMOVE, keys, MAKELPARAM(0x203, 0));
    EXPECT_FALSE(IsWindowVisible(w));
    SendMessageA(w, WM_MOUSEMOVE, icon, MAKELPARAM(0x203, 0));
    EXPECT_TRUE(IsWindowVisible(w));
    SendMessageA(w, taskbarCreated, 0, 0);
    EXPECT_FALSE(inTray()) << "out of the tray, the window stays out";
    EXPECT_FALSE(IsIconic(w));
    EXPECT_TRUE(p.app.Tray().WindowOpenedByUser);
    // Minimising sends it back.
    ShowWindow(w, SW_MINIMIZE);
    EXPECT_FALSE(IsWindowVisible(w));
    EXPECT_FALSE(p.app.Tray().WindowOpenedByUser);
}

TEST(MainWindowWalk, StoppedTimerDropsATickAlreadyOnItsWay) {
    Program p("");
    p.app.OnMainLoad();
    p.Tick();
    EXPECT_EQ(p.Text(Ctl::Counter), "Program Activation In 1s");
    p.shell.StopRefreshTimer();
    p.Tick();  // a WM_TIMER that was queued before the stop
    EXPECT_EQ(p.Text(Ctl::Counter), "Program Activation In 1s");
    p.shell.StartRefreshTimer();
    p.Tick();
    EXPECT_EQ(p.Text(Ctl::Counter), "Program Activation In 0s");
}

}  // namespace
}  // namespace dormix::tray_win32
