#include <gtest/gtest.h>

#include "Fakes.h"
#include "app/Arguments.h"

namespace dormix::testing {
namespace {

using Lines = std::vector<std::string>;
using app::HasAllowMulti;
using app::HasInhibitShutdown;

TEST(Arguments, SwitchesCountOnlyAtTheirOwnEndInExactCase) {
    EXPECT_FALSE(HasInhibitShutdown(""));
    EXPECT_FALSE(HasAllowMulti(""));
    EXPECT_TRUE(HasInhibitShutdown("-InhibitShutdown"));
    EXPECT_TRUE(HasInhibitShutdown("-InhibitShutdownNow"));
    EXPECT_FALSE(HasInhibitShutdown(" -InhibitShutdown"));
    EXPECT_FALSE(HasInhibitShutdown("-inhibitshutdown"));
    EXPECT_FALSE(HasInhibitShutdown("-InhibitShutdow"));
    EXPECT_TRUE(HasAllowMulti("x-AllowMulti"));
    EXPECT_FALSE(HasAllowMulti("-AllowMulti "));
    EXPECT_FALSE(HasAllowMulti("-allowmulti"));

    EXPECT_TRUE(HasInhibitShutdown("-InhibitShutdown -AllowMulti"));
    EXPECT_TRUE(HasAllowMulti("-InhibitShutdown -AllowMulti"));
    EXPECT_FALSE(HasInhibitShutdown("-AllowMulti -InhibitShutdown"));
    EXPECT_FALSE(HasAllowMulti("-AllowMulti -InhibitShutdown"));
    EXPECT_TRUE(HasAllowMulti("-InhibitShutdown anything at all -AllowMulti"));
}

TEST(Arguments, ArgumentTextFollowsTheProgramName) {
    using app::ArgumentTextFromCommandLine;
    EXPECT_EQ(ArgumentTextFromCommandLine("DormixL.exe"), "");
    EXPECT_EQ(ArgumentTextFromCommandLine("DormixL.exe   -InhibitShutdown"), "-InhibitShutdown");
    EXPECT_EQ(ArgumentTextFromCommandLine("\"C:\\Program Files\\Dormix Lite\\DormixL.exe\" "
                                          "-InhibitShutdown  -AllowMulti"),
              "-InhibitShutdown  -AllowMulti");
    EXPECT_EQ(ArgumentTextFromCommandLine("\"C:\\a b\\DormixL.exe\"-AllowMulti"), "-AllowMulti");
    EXPECT_EQ(ArgumentTextFromCommandLine("\"unterminated"), "");
    EXPECT_EQ(ArgumentTextFromCommandLine(""), "");

    const std::string_view args[] = {"-InhibitShutdown", "-AllowMulti"};
    EXPECT_EQ(app::ArgumentTextFromArgs(args), "-InhibitShutdown -AllowMulti");
    EXPECT_EQ(app::ArgumentTextFromArgs({}), "");
}

TEST(InstanceGuard, ASecondCopyShowsTheNoticeAndTheFirstRunsOn) {
    MarkerSystem system;
    Rig first("", &system);
    ASSERT_TRUE(first.Start());
    EXPECT_EQ(first.marker.held.size(), 2u);  // the guard handle and the second open

    Rig second("", &system);
    EXPECT_FALSE(second.Start());
    EXPECT_EQ(second.view.windowCaption[ui::Wnd::MultiInst], "Dormix Lite Start Up Error");
    EXPECT_EQ(second.view.Text(ui::Ctl::ErrorMess),
              "Dormix or Dormix Lite is already\r\nrunning, Only one instance can\r\n"
              "be running at a time");
    EXPECT_TRUE(second.marker.held.empty());
    EXPECT_EQ(second.shell.calls, (Lines{"notice topmost"}));
    EXPECT_TRUE(second.files.files.empty());
    EXPECT_TRUE(second.Ends([&] { second.app.OnNoticeOk(); }));

    first.Tick(2);
    EXPECT_EQ(first.files.Entries().back(), " Enter    , Run       , Count:   0");
}

TEST(InstanceGuard, AllowMultiRunsAFullCopyAndHoldsTheMarkerOnlyWhenFirst) {
    MarkerSystem system;
    Rig allowed("-AllowMulti", &system);
    ASSERT_TRUE(allowed.Start());
    EXPECT_EQ(allowed.marker.held.size(), 1u);  // no second open

    Rig plain("", &system);
    EXPECT_FALSE(plain.Start());  // the allowed copy holds the marker

    Rig another("-InhibitShutdown -AllowMulti", &system);
    EXPECT_TRUE(another.Start());
    EXPECT_TRUE(another.marker.held.empty());

    Rig misplaced("-AllowMulti -InhibitShutdown", &system);
    EXPECT_FALSE(misplaced.Start());

    // The first copy ends: nobody holds the marker, so a plain start runs.
    allowed.marker.EndProcess();
    Rig third("", &system);
    EXPECT_TRUE(third.Start());
}

TEST(InstanceGuard, AMarkerThatCannotBeMadeCountsAsNoOtherCopy) {
    Rig rig;
    rig.marker.fail = true;
    EXPECT_TRUE(rig.Start());
    EXPECT_EQ(rig.app.Guard().GuardHandle(), 0u);
    // With no handle held, a later question asks the system again.
    rig.marker.fail = false;
    EXPECT_FALSE(rig.app.Guard().InstanceAlreadyRunning("Dormix"));
    EXPECT_NE(rig.app.Guard().GuardHandle(), 0u);
    EXPECT_FALSE(rig.app.Guard().InstanceAlreadyRunning("Dormix"));
}

TEST(TrayPlacement, OnlyADoubleClickOnTheIconBringsTheWindowOutCentred) {
    Rig rig;
    rig.Start();
    for (double x : {512.0, 513.0, 514.0, 516.0, 517.0, 518.0, 519.0, 521.0, 7.0, 514.4}) {
        rig.app.OnMainMouseMove(x);
        EXPECT_FALSE(rig.shell.visible) << x;
    }
    EXPECT_FALSE(rig.app.Tray().WindowOpenedByUser);
    rig.shell.calls.clear();
    rig.app.OnMainMouseMove(514.6);  // the nearest whole number is 515
    EXPECT_TRUE(rig.app.Tray().WindowOpenedByUser);
    EXPECT_EQ(rig.shell.calls, (Lines{"normal", "tray delete", "show", "move"}));
    EXPECT_EQ(rig.shell.left, 4005);
    EXPECT_EQ(rig.shell.top, 5070);

    // Out already: a second double-click changes nothing.
    rig.shell.calls.clear();
    rig.app.OnMainMouseMove(515);
    EXPECT_TRUE(rig.shell.calls.empty());

    // Minimising goes back to the tray and forgets who opened the window.
    for (int i = 0; i < 3; ++i) {
        rig.shell.SetMinimised();
        EXPECT_TRUE(rig.shell.trayIcon);
        EXPECT_FALSE(rig.shell.visible);
        EXPECT_FALSE(rig.app.Tray().WindowOpenedByUser);
        rig.app.OnMainMouseMove(515);
        EXPECT_FALSE(rig.shell.trayIcon);
        EXPECT_TRUE(rig.shell.visible);
    }
    // A resize that is not a minimise does nothing.
    rig.shell.calls.clear();
    rig.app.OnMainResize();
    EXPECT_TRUE(rig.shell.calls.empty());
}

TEST(TrayPlacement, CentringKeepsFractionsOfATwip) {
    const auto at = ui::CentredPosition({15361, 11521}, {7350, 1380});
    EXPECT_FLOAT_EQ(at.left, 4005.5f);
    EXPECT_FLOAT_EQ(at.top, 5070.5f);
}

TEST(AboutWindow, TheWebLinkTurnsOrangeAndReportsFailures) {
    Rig rig;
    rig.Start();
    const struct {
        bool opens;
        bool throws;
        std::string message;
    } cases[] = {
        {true, false, ""},
        {false, false, "Unable to launch Browser."},
        {false, true,
         "A program error has occured\r\nError Number: -2147024894\r\n"
         "Error description: The system cannot find the file"},
    };
    for (const auto& c : cases) {
        rig.shell.messages.clear();
        rig.shell.calls.clear();
        rig.systemLog.failures.clear();
        rig.view.controls[ui::Ctl::WebSite].fore = ui::LinkGreen;
        rig.shell.browserOpens = c.opens;
        rig.shell.browserThrows = c.throws;
        rig.app.OnWebSiteClick();
        EXPECT_EQ(rig.shell.calls.front(), "pending");
        EXPECT_EQ(rig.shell.calls[1], "browser https://dormix-lite.example.org/");
        if (c.message.empty()) {
            EXPECT_TRUE(rig.shell.messages.empty());
        } else {
            ASSERT_EQ(rig.shell.messages.size(), 1u);
            EXPECT_EQ(rig.shell.messages[0].text, c.message);
            EXPECT_EQ(rig.shell.messages[0].title, "Dormix Lite Error");
            EXPECT_EQ(rig.shell.messages[0].icon, MessageIcon::None);
            ASSERT_EQ(rig.systemLog.failures.size(), 1u);
            EXPECT_EQ(rig.systemLog.failures[0].event, log::SystemEvent::BrowserLaunchError);
            EXPECT_EQ(rig.systemLog.failures[0].text, c.message);
        }
        if (c.message.empty()) {
            EXPECT_TRUE(rig.systemLog.failures.empty());
        }
        EXPECT_EQ(rig.view.controls[ui::Ctl::WebSite].fore, c.throws ? ui::LinkGreen : ui::Orange);
        EXPECT_FALSE(rig.shell.ended);
    }
}

TEST(AboutWindow, FirstSecondShowsAnEmptyLineAndAnOtherCloseClearsTheFlag) {
    Rig rig;
    rig.Start();
    rig.view.controls[ui::Ctl::TMessage].caption.clear();
    rig.shell.duringAbout = [&] {
        EXPECT_EQ(rig.view.Text(ui::Ctl::TMessage), "");
        rig.app.OnAboutClosedOtherwise();
        rig.shell.aboutShown = false;  // the window went away by itself
    };
    rig.app.OnAboutClick();
    EXPECT_FALSE(rig.app.Cycle().State().AboutOpen);
    rig.Tick(2);
    EXPECT_EQ(rig.files.Entries().back(), " Enter    , Run       , Count:   0");
}

}  // namespace
}  // namespace dormix::testing
