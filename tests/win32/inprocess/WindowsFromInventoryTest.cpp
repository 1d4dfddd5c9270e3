// The three windows as Win32 builds them from the inventory: sizes, every
// control's rectangle, class, font, focus order and tooltip, the window
// frames, and the inert hidden menu.
#include <gtest/gtest.h>

#include "Fakes.h"
#include "frontend/tray_win32/ControlIds.h"
#include "frontend/tray_win32/Dpi.h"
#include "frontend/tray_win32/Forms.h"
#include "frontend/tray_win32/WinShell.h"

namespace dormix::tray_win32 {
namespace {

using testing::Rig;

struct Built {
    Rig rig;
    WinView view;
    WinShell shell{GetModuleHandleA(nullptr), SystemDpi(), view};
};

std::string ClassName(HWND h) {
    char name[64] = {};
    GetClassNameA(h, name, sizeof name);
    return name;
}

std::string Text(HWND h) {
    char text[256] = {};
    GetWindowTextA(h, text, sizeof text);
    return text;
}

LOGFONTA FontOf(HWND h) {
    LOGFONTA lf{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(h, WM_GETFONT, 0, 0)), sizeof lf, &lf);
    return lf;
}

// Every control of `window` sits where the table puts it, looks as it says.
void ExpectControlsAsInventory(HWND top, ControlSet& set, ui::Wnd window) {
    const int dpi = SystemDpi();
    for (const auto& c : ui::Controls()) {
        if (c.window != window || c.kind == ui::Kind::Timer) continue;
        SCOPED_TRACE(std::string(c.name));
        HWND h = GetDlgItem(top, ControlId(c.id));
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(h, set.Handle(c.id));
        RECT r;
        GetWindowRect(h, &r);
        MapWindowPoints(HWND_DESKTOP, top, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.left, TwipsToPixels(c.rect.left, dpi));
        EXPECT_EQ(r.top, TwipsToPixels(c.rect.top, dpi));
        EXPECT_EQ(r.right - r.left, TwipsToPixels(c.rect.width, dpi));
        EXPECT_EQ(r.bottom - r.top, TwipsToPixels(c.rect.height, dpi));
        EXPECT_EQ(
            _stricmp(ClassName(h).c_str(), c.kind == ui::Kind::CommandButton ? "Button" : "Static"),
            0);
        const bool focusable = (GetWindowLongA(h, GWL_STYLE) & WS_TABSTOP) != 0;
        EXPECT_EQ(focusable, c.kind == ui::Kind::CommandButton);
        if (c.kind == ui::Kind::CommandButton || c.kind == ui::Kind::Label) {
            const LOGFONTA lf = FontOf(h);
            EXPECT_STREQ(lf.lfFaceName, std::string(c.font.face).c_str());
            EXPECT_EQ(lf.lfHeight, PointsToFontHeight(c.font.points, dpi));
            EXPECT_EQ(lf.lfWeight, c.font.weight);
            EXPECT_EQ(lf.lfUnderline != 0, c.font.underline);
            EXPECT_EQ(lf.lfItalic, 0);
            EXPECT_EQ(lf.lfCharSet, ANSI_CHARSET);
        }
        EXPECT_EQ(set.Tooltip(c.id), std::string(c.tooltip));
    }
}

void ExpectFrame(HWND top, ui::Wnd window) {
    const auto& def = ui::WindowOf(window);
    RECT client;
    GetClientRect(top, &client);
    EXPECT_EQ(client.right, TwipsToPixels(def.clientWidth, SystemDpi()));
    EXPECT_EQ(client.bottom, TwipsToPixels(def.clientHeight, SystemDpi()));
    const LONG style = GetWindowLongA(top, GWL_STYLE);
    EXPECT_EQ((style & WS_SYSMENU) != 0, def.systemMenu);
    EXPECT_EQ((style & WS_MINIMIZEBOX) != 0, def.minimiseBox);
    EXPECT_EQ((style & WS_MAXIMIZEBOX) != 0, def.maximiseBox);
    EXPECT_EQ(style & WS_THICKFRAME, 0) << "fixed single border";
    EXPECT_NE(style & WS_CAPTION, 0);
    EXPECT_EQ(GetMenu(top), nullptr) << "no menu bar";
}

TEST(WindowsFromInventory, MainWindowHasEveryControlTheFramesAndTheHiddenMenu) {
    Built b;
    MainWindow main(GetModuleHandleA(nullptr), SystemDpi(), b.rig.app, b.view, b.shell);
    b.shell.AttachMain(main);
    main.Build();
    ASSERT_EQ(SystemDpi(), 96) << "the pixel sizes below assume 96 dpi";
    RECT client;
    GetClientRect(main.Handle(), &client);
    EXPECT_EQ(client.right, 484);
    EXPECT_EQ(client.bottom, 67);
    EXPECT_EQ(Text(main.Handle()), "Dormix") << "caption at creation";
    EXPECT_FALSE(IsWindowVisible(main.Handle()));
    ExpectFrame(main.Handle(), ui::Wnd::DormixMain);
    ExpectControlsAsInventory(main.Handle(), main.Controls(), ui::Wnd::DormixMain);

    // Focus order: Test, Reset, About, Exit, and round again.
    HWND at = main.Controls().Handle(ui::Ctl::TestS);
    for (ui::Ctl next : {ui::Ctl::Reset, ui::Ctl::About, ui::Ctl::Exit, ui::Ctl::TestS}) {
        at = GetNextDlgTabItem(main.Handle(), at, FALSE);
        EXPECT_EQ(at, main.Controls().Handle(next));
    }

    // The inert menu: exists, never attached, entries as listed.
    HMENU file = main.HiddenMenu();
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(GetMenuItemCount(file), 1);
    char text[64];
    GetMenuStringA(file, 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "File");
    HMENU level1 = GetSubMenu(file, 0);
    ASSERT_EQ(GetMenuItemCount(level1), 6);
    HMENU show = GetSubMenu(level1, 0);
    ASSERT_NE(show, nullptr);
    EXPECT_EQ(GetMenuItemCount(show), 5);
    GetMenuStringA(show, 4, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "Show Numbers Only");
    EXPECT_EQ(GetMenuState(level1, 1, MF_BYPOSITION) & MF_SEPARATOR,
              static_cast<UINT>(MF_SEPARATOR));
    GetMenuStringA(level1, 5, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "Exit");
}

TEST(WindowsFromInventory, AboutAndNoticeWindows) {
    Built b;
    AboutForm about(GetModuleHandleA(nullptr), SystemDpi(), b.rig.app, b.view);
    about.Build();
    ExpectFrame(about.Handle(), ui::Wnd::frmAbout);
    ExpectControlsAsInventory(about.Handle(), about.Controls(), ui::Wnd::frmAbout);
    EXPECT_EQ(Text(about.Controls().Handle(ui::Ctl::ProgName)), "Prog Name");

    NoticeWindow notice(GetModuleHandleA(nullptr), SystemDpi(), b.rig.app, b.view);
    notice.Build();
    ExpectFrame(notice.Handle(), ui::Wnd::MultiInst);
    ExpectControlsAsInventory(notice.Handle(), notice.Controls(), ui::Wnd::MultiInst);
    EXPECT_EQ(Text(notice.Handle()), "Error");
    // The notice's texts come from the core through the view.
    b.view.SetWindowCaption(ui::Wnd::MultiInst, app::NoticeCaption());
    b.view.SetCaption(ui::Ctl::ErrorMess, app::NoticeText());
    EXPECT_EQ(Text(notice.Handle()), "Dormix Lite Start Up Error");
    EXPECT_EQ(Text(notice.Controls().Handle(ui::Ctl::ErrorMess)),
              "Dormix or Dormix Lite is already\r\nrunning, Only one instance can\r\nbe running at "
              "a time");
}

}  // namespace
}  // namespace dormix::tray_win32
