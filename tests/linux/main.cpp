// gtest's main for the Qt tests: one QApplication on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "frontend/tray_qt/QtBusWait.h"

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // No session bus, neither the desktop's (a test's tray icon would show
    // there) nor a launched one (its daemon would outlive the test): an
    // address that refuses at once.
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/dormix-no-session-bus", 1);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    dormix::tray_qt::QtBusWait busWait;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
