// The core driving the real Qt windows: what each phase shows, what the
// buttons do, the tray and the window placement, the modal windows.
#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QTest>

#include "QtRig.h"
#include "frontend/tray_qt/AboutDialog.h"

namespace dormix::testing {
namespace {

using ui::Ctl;

const QColor Orange(0xFF, 0x80, 0x00);

// Centred as the core computes it, in twips rounded to whole pixels.
void ExpectCentred(QWidget& window) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QPoint offset = window.frameGeometry().center() - screen.center();
    EXPECT_LE(offset.manhattanLength(), 1) << offset.x() << "," << offset.y();
}

QColor Fore(QWidget* w) { return w->palette().color(QPalette::WindowText); }
QColor Back(QWidget* w) { return w->palette().color(QPalette::Window); }

void Click(QtRig& rig, Ctl id) { QTest::mouseClick(rig.Control(id), Qt::LeftButton); }

TEST(QtCycle, WholeInhibitedCycleAsTheUserSeesIt) {
    QtRig rig("-InhibitShutdown");
    rig.app.OnMainLoad();
    EXPECT_TRUE(rig.main.isHidden()) << "starts in the tray";
    EXPECT_TRUE(rig.tray.Shown());
    EXPECT_EQ(rig.tray.Icon().toolTip(), "Dormix Lite");
    EXPECT_EQ(rig.main.windowTitle(), "Dormix Lite");
    EXPECT_EQ(rig.Text(Ctl::Title),
              "Power Off the computer if there is no input activity for over 6 sec");
    EXPECT_EQ(rig.Text(Ctl::Counter), "Program Activation In 2s");
    EXPECT_EQ(rig.Control(Ctl::Exit)->toolTip(), "Exit Dormix Lite");
    EXPECT_FALSE(rig.Control(Ctl::Counter)->font().bold());

    rig.Tick(2);
    EXPECT_EQ(rig.Text(Ctl::Counter), "Program Activation In 0s");
    rig.Tick();
    EXPECT_EQ(rig.Text(Ctl::Counter), "No key or mouse activity for the last 1s");
    EXPECT_TRUE(rig.Control(Ctl::Counter)->font().bold());
    EXPECT_EQ(Fore(rig.Control(Ctl::Counter)), Orange);
    rig.input.pressed.set(65);
    rig.Tick();
    EXPECT_EQ(rig.Text(Ctl::Counter), "No key or mouse activity for the last 0s");
    EXPECT_EQ(rig.Text(Ctl::CPULoad), "K");

    // The core sets every caption, colour and weight of the phase each tick;
    // Qt is asked only for what differs from what the widgets show.
    long applied = rig.view.ChangesApplied();
    const auto changesOfOneTick = [&] {
        rig.Tick();
        const long n = rig.view.ChangesApplied() - applied;
        applied += n;
        return n;
    };
    EXPECT_EQ(changesOfOneTick(), 2) << "the count and the cleared mark";
    EXPECT_EQ(changesOfOneTick(), 1) << "an idle second changes only the count";
    EXPECT_EQ(rig.Text(Ctl::Counter), "No key or mouse activity for the last 2s");
    EXPECT_EQ(Fore(rig.Control(Ctl::Counter)), Orange);
    EXPECT_TRUE(rig.Control(Ctl::Counter)->font().bold());

    rig.Tick(4);  // the sixth idle tick starts the countdown in the same tick
    EXPECT_EQ(rig.Text(Ctl::Counter), "The Computer Will Power Off In 6s");
    EXPECT_TRUE(rig.main.isVisible()) << "brought out of the tray";
    EXPECT_TRUE(rig.main.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(rig.main.testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_FALSE(rig.tray.Shown());
    EXPECT_EQ(Back(rig.Control(Ctl::Counter)), Orange);
    EXPECT_EQ(Fore(rig.Control(Ctl::Counter)), QColor(Qt::white));
    EXPECT_TRUE(rig.Control(Ctl::Counter)->autoFillBackground());
    EXPECT_EQ(Back(rig.Control(Ctl::CPULoad)), Orange);
    for (Ctl off : {Ctl::About, Ctl::TestS, Ctl::Exit}) EXPECT_FALSE(rig.Control(off)->isEnabled());
    EXPECT_TRUE(rig.Control(Ctl::Reset)->isEnabled());
    EXPECT_EQ(rig.Text(Ctl::Reset), "Cancel");
    EXPECT_EQ(rig.Control(Ctl::Reset)->toolTip(), "Cancel Dormix Lite Power Off");
    ExpectCentred(rig.main);
    applied = rig.view.ChangesApplied();
    EXPECT_EQ(changesOfOneTick(), 1) << "a countdown second changes only the count";
    EXPECT_EQ(rig.Text(Ctl::Counter), "The Computer Will Power Off In 5s");
    EXPECT_EQ(Back(rig.Control(Ctl::Counter)), Orange);

    rig.Tick(4);
    EXPECT_EQ(rig.Text(Ctl::Counter), "The Computer Will Power Off In 1s");
    EXPECT_TRUE(rig.Ends([&] { rig.Tick(); }));
    EXPECT_EQ(rig.Text(Ctl::Counter), "The Computer Will Power Off In 0s");
    ASSERT_EQ(rig.shell.modals.size(), 1u);
    EXPECT_EQ(rig.shell.modals[0].title, "Dormix Lite Simulate Power Off");
    EXPECT_EQ(rig.shell.modals[0].text, "Test Real Power Off");
    EXPECT_EQ(rig.shell.modals[0].icon, QMessageBox::NoIcon);
    EXPECT_TRUE(rig.power.calls.empty()) << "no power-off with -InhibitShutdown";
}

TEST(QtCycle, CancelClickedSendsTheWindowBackUnlessTheUserOpenedIt) {
    for (bool userOpened : {false, true}) {
        QtRig rig("-InhibitShutdown");
        rig.app.OnMainLoad();
        if (userOpened) {
            emit rig.tray.Icon().activated(QSystemTrayIcon::DoubleClick);
            ASSERT_TRUE(rig.main.isVisible());
        }
        rig.Tick(2 + 6 + 3);  // the countdown's first step came with the sixth idle tick
        ASSERT_EQ(rig.Text(Ctl::Reset), "Cancel");
        Click(rig, Ctl::Reset);
        EXPECT_EQ(rig.files.Entries().back(), " Reset    , Power Off , Count:   4");
        EXPECT_EQ(rig.Text(Ctl::Reset), "Reset");
        EXPECT_EQ(rig.Text(Ctl::Counter), "Program Activation In 2s");
        EXPECT_EQ(rig.main.isVisible(), userOpened);
        EXPECT_EQ(rig.tray.Shown(), !userOpened);
        EXPECT_FALSE(rig.main.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_EQ(Back(rig.Control(Ctl::Counter)), Back(&rig.main)) << "back to button face";
        for (Ctl on : {Ctl::About, Ctl::TestS, Ctl::Exit})
            EXPECT_TRUE(rig.Control(on)->isEnabled());
    }
}

TEST(QtCycle, OnlyADoubleClickOnTheIconBringsTheWindowOutAndMinimisingSendsItBack) {
    QtRig rig;
    rig.app.OnMainLoad();
    for (auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::Context,
                        QSystemTrayIcon::MiddleClick, QSystemTrayIcon::Unknown}) {
        emit rig.tray.Icon().activated(reason);
        EXPECT_TRUE(rig.main.isHidden()) << reason;
    }
    for (int round = 0; round < 2; ++round) {
        emit rig.tray.Icon().activated(QSystemTrayIcon::DoubleClick);
        EXPECT_TRUE(rig.main.isVisible());
        EXPECT_FALSE(rig.tray.Shown());
        EXPECT_TRUE(rig.app.Tray().WindowOpenedByUser);
        ExpectCentred(rig.main);
        // The window manager minimises it: that is the way back to the tray.
        rig.main.setWindowState(Qt::WindowMinimized);
        EXPECT_TRUE(rig.main.isHidden());
        EXPECT_TRUE(rig.tray.Shown());
        EXPECT_FALSE(rig.app.Tray().WindowOpenedByUser);
    }
    // A window restored after a real minimise comes back in normal state.
    emit rig.tray.Icon().activated(QSystemTrayIcon::DoubleClick);
    EXPECT_FALSE(rig.main.windowState().testFlag(Qt::WindowMinimized));
}

TEST(QtCycle, TwoQuickActivationsFromADBusTrayCountAsADoubleClick) {
    qint64 now = 10'000;
    tray_qt::TrayIcon tray([&] { return now; });
    int doubles = 0;
    tray.onDoubleClick = [&] { ++doubles; };
    const int interval = QApplication::doubleClickInterval();
    emit tray.Icon().activated(QSystemTrayIcon::Trigger);
    now += interval + 1;
    emit tray.Icon().activated(QSystemTrayIcon::Trigger);
    EXPECT_EQ(doubles, 0) << "two single clicks, slower than a double-click";
    now += interval;
    emit tray.Icon().activated(QSystemTrayIcon::Trigger);
    EXPECT_EQ(doubles, 1);
    now += 10;
    emit tray.Icon().activated(QSystemTrayIcon::Trigger);
    EXPECT_EQ(doubles, 1) << "a third click starts over";
    // An XEmbed tray sends a click, then the double-click itself: one restore.
    now += 10 * interval;
    emit tray.Icon().activated(QSystemTrayIcon::Trigger);
    emit tray.Icon().activated(QSystemTrayIcon::DoubleClick);
    emit tray.Icon().activated(QSystemTrayIcon::Trigger);
    EXPECT_EQ(doubles, 2);
    emit tray.Icon().activated(QSystemTrayIcon::Context);
    emit tray.Icon().activated(QSystemTrayIcon::MiddleClick);
    EXPECT_EQ(doubles, 2);
}

TEST(QtCycle, ClearingTopmostNeverShowsAHiddenWindow) {
    QtRig rig;
    rig.app.OnMainLoad();
    rig.shell.SetTopmost();
    rig.main.hide();
    rig.shell.ClearTopmost();
    EXPECT_TRUE(rig.main.isHidden());
    EXPECT_FALSE(rig.main.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST(QtCycle, TestButtonRunsTheShortTestAndReturnsToTheNormalCycle) {
    QtRig rig;
    rig.app.OnMainLoad();
    emit rig.tray.Icon().activated(QSystemTrayIcon::DoubleClick);
    rig.Tick(3);
    Click(rig, Ctl::TestS);
    EXPECT_EQ(rig.main.windowTitle(), "Dormix Lite - Test Mode");
    EXPECT_EQ(rig.Text(Ctl::Title),
              "Power Off the computer if there is no input activity for over 5 sec");
    EXPECT_EQ(rig.files.Entries().back(), "*Enter    , Test      , Count:   2");
    rig.Tick(2 + 5);
    ASSERT_EQ(rig.shell.modals.size(), 1u);
    EXPECT_EQ(rig.shell.modals[0].title, "Dormix Lite Test");
    EXPECT_EQ(rig.shell.modals[0].text, "Test Power Off");
    EXPECT_EQ(rig.main.windowTitle(), "Dormix Lite");
    EXPECT_EQ(rig.Text(Ctl::Title),
              "Power Off the computer if there is no input activity for over 900 sec");
    EXPECT_EQ(rig.Text(Ctl::Counter), "Program Activation In 2s");
    EXPECT_TRUE(rig.shell.RefreshTimerRunning());
}

TEST(QtCycle, AboutOpensModallyCountsDownAndIsClosedByTheMainTimer) {
    QtRig rig("-InhibitShutdown");
    rig.app.OnMainLoad();
    emit rig.tray.Icon().activated(QSystemTrayIcon::DoubleClick);
    QStringList lines;
    rig.shell.duringModal = [&](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "About Dormix Lite");
        EXPECT_EQ(rig.Text(Ctl::ProgName), "Dormix Lite");
        EXPECT_EQ(rig.Text(Ctl::ProgVersion), "Version 2.1");
        EXPECT_TRUE(rig.Text(Ctl::TMessage).isEmpty()) << "empty until Timer1's first tick";
        for (int second = 0; second < 4 && dialog.isVisible(); ++second) {
            rig.app.OnAboutTimer();
            lines << rig.Text(Ctl::TMessage);
            rig.Tick();
        }
        EXPECT_FALSE(dialog.isVisible()) << "closed by the main timer";
    };
    Click(rig, Ctl::About);
    EXPECT_EQ(lines, QStringList({"About will close in 4 sec", "About will close in 3 sec",
                                  "About will close in 2 sec", "About will close in 1 sec"}));
    EXPECT_FALSE(rig.app.Cycle().State().AboutOpen);
    EXPECT_EQ(rig.Text(Ctl::Counter), "Program Activation In 2s") << "cycle stood still";
    EXPECT_EQ(rig.view.Control(Ctl::TMessage), nullptr) << "the window is gone";
    rig.Tick();
    EXPECT_EQ(rig.Text(Ctl::Counter), "Program Activation In 1s");
}

TEST(QtCycle, AboutIgnoresEscapeClosesOnTheWindowManagersRequestAndReportsALaunchFailure) {
    QtRig rig;
    rig.app.OnMainLoad();
    rig.shell.duringModal = [&](QDialog& dialog) {
        if (rig.shell.modals.size() > 1) return;  // the failure message itself
        auto* link = rig.view.Control(Ctl::WebSite);
        // The offscreen platform opens no URL: the launch fails.
        QTest::mouseClick(link, Qt::LeftButton);
        EXPECT_EQ(Fore(link), Orange) << "orange whatever the outcome";
        QTest::keyClick(&dialog, Qt::Key_Escape);
        EXPECT_TRUE(dialog.isVisible()) << "Escape closes nothing";
        EXPECT_TRUE(rig.app.Cycle().State().AboutOpen);
        dialog.close();  // as the window manager's close request arrives
    };
    rig.app.OnAboutClick();
    ASSERT_EQ(rig.shell.modals.size(), 2u);
    EXPECT_EQ(rig.shell.modals[1].title, "Dormix Lite Error");
    EXPECT_EQ(rig.shell.modals[1].text, "Unable to launch Browser.");
    EXPECT_EQ(rig.shell.modals[1].icon, QMessageBox::NoIcon);
    EXPECT_FALSE(rig.app.Cycle().State().AboutOpen);
}

class UrlSink : public QObject {
    Q_OBJECT
  public:
    QList<QUrl> opened;
  public slots:
    void Open(const QUrl& url) { opened << url; }
};

TEST(QtCycle, AboutLinkOpensTheMakersPageWithoutAMessage) {
    QtRig rig;
    rig.app.OnMainLoad();
    UrlSink sink;
    QDesktopServices::setUrlHandler("https", &sink, "Open");
    rig.shell.duringModal = [&](QDialog&) {
        QTest::mouseClick(rig.view.Control(Ctl::WebSite), Qt::LeftButton);
        rig.app.OnAboutExitClick();
    };
    rig.app.OnAboutClick();
    QDesktopServices::unsetUrlHandler("https");
    ASSERT_EQ(sink.opened.size(), 1);
    EXPECT_EQ(sink.opened[0].toString(), "https://dormix-lite.example.org/");
    EXPECT_EQ(rig.shell.modals.size(), 1u) << "only the About window itself";
}

TEST(QtCycle, MissingLogDirectoryShowsTheWarningRemovesTheIconAndEnds) {
    QtRig rig;
    rig.files.folder = false;
    EXPECT_TRUE(rig.Ends([&] { rig.app.OnMainLoad(); }));
    ASSERT_EQ(rig.shell.modals.size(), 1u);
    EXPECT_EQ(rig.shell.modals[0].title, "Dormix Lite Log Directory Error");
    EXPECT_EQ(rig.shell.modals[0].text,
              "The log directory does not exist\nReinstall the program to restore the\n"
              "log directory.\nThe program will now terminate.");
    EXPECT_EQ(rig.shell.modals[0].icon, QMessageBox::Warning);
    EXPECT_FALSE(rig.tray.Shown());
    EXPECT_FALSE(rig.shell.RefreshTimerRunning());
}

TEST(QtCycle, NoticeWindowShowsTheThreeLinesAndOkEnds) {
    QtRig rig;
    tray_qt::NoticeWindow notice(rig.view);
    rig.shell.SetNotice(&notice);
    notice.onOk = [&] { rig.app.OnNoticeOk(); };
    rig.app.OnNoticeLoad();
    EXPECT_EQ(notice.windowTitle(), "Dormix Lite Start Up Error");
    EXPECT_EQ(
        rig.Text(Ctl::ErrorMess),
        "Dormix or Dormix Lite is already\nrunning, Only one instance can\nbe running at a time");
    rig.app.OnNoticeActivate();
    EXPECT_TRUE(notice.isVisible());
    EXPECT_TRUE(notice.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(rig.Ends([&] { rig.app.OnNoticeOk(); }));
}

TEST(QtCycle, RefreshTimerRunsAtTheInventoryIntervalAndStopsOnReset) {
    QtRig rig;
    EXPECT_EQ(rig.shell.RefreshPeriodMs(), ui::ControlOf(Ctl::tmrRefresh).intervalMs);
    EXPECT_FALSE(rig.shell.RefreshTimerRunning()) << "disabled until the loading starts it";
    rig.app.OnMainLoad();
    EXPECT_TRUE(rig.shell.RefreshTimerRunning());
}

}  // namespace
}  // namespace dormix::testing

#include "QtCycleTest.moc"
