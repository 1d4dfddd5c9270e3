// The three windows as built from the inventory: sizes, places, fonts,
// colours, flags, stacking and focus order, on Qt's offscreen platform.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>

#include "QtRig.h"
#include "frontend/tray_qt/AboutDialog.h"
#include "frontend/tray_qt/NoticeWindow.h"

namespace dormix::testing {
namespace {

using ui::Ctl;

QRect Geometry(tray_qt::QtView& view, Ctl id) { return view.Control(id)->geometry(); }

TEST(QtWindows, MainWindowHasTheDesignedClientAreaControlsAndFrame) {
    QtRig rig;
    EXPECT_EQ(rig.main.size(), QSize(484, 67));
    EXPECT_EQ(rig.main.minimumSize(), rig.main.maximumSize()) << "fixed size";
    EXPECT_EQ(rig.main.windowTitle(), "Dormix");
    // Pixel rectangles at 96 dpi, as the table gives them beside the twips.
    EXPECT_EQ(Geometry(rig.view, Ctl::Exit), QRect(416, 39, 65, 23));
    EXPECT_EQ(Geometry(rig.view, Ctl::About), QRect(340, 39, 65, 23));
    EXPECT_EQ(Geometry(rig.view, Ctl::Reset), QRect(264, 39, 65, 23));
    EXPECT_EQ(Geometry(rig.view, Ctl::TestS), QRect(6, 39, 65, 23));
    EXPECT_EQ(Geometry(rig.view, Ctl::Logo), QRect(425, 5, 57, 29));
    EXPECT_EQ(Geometry(rig.view, Ctl::Title), QRect(6, 0, 416, 17));
    EXPECT_EQ(Geometry(rig.view, Ctl::Counter), QRect(114, 17, 290, 17));
    EXPECT_EQ(Geometry(rig.view, Ctl::CPULoad), QRect(6, 17, 112, 17));

    const Qt::WindowFlags flags = rig.main.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(rig.main.windowIcon().isNull());

    const QFont font = rig.Control(Ctl::Exit)->font();
    EXPECT_EQ(font.family(), "Arial");
    EXPECT_DOUBLE_EQ(font.pointSizeF(), 9.75);
    EXPECT_EQ(rig.Control(Ctl::TestS)->toolTip(), "Enables/Restarts Dormix Lite Test Mode");
    EXPECT_EQ(rig.Control(Ctl::Exit)->toolTip(), "Close Dormix Lite");
    EXPECT_TRUE(rig.Text(Ctl::Title).isEmpty());
    EXPECT_FALSE(qobject_cast<QLabel*>(rig.Control(Ctl::Logo))->pixmap().isNull());
}

TEST(QtWindows, MainWindowKeepsItsMenuHiddenAndItsFocusOrder) {
    QtRig rig;
    auto* bar = rig.main.findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isHidden());
    QStringList names;
    for (QAction* a : rig.main.findChildren<QAction*>())
        if (!a->objectName().isEmpty()) names << a->objectName();
    for (const auto& entry : ui::MainMenu())
        EXPECT_TRUE(names.contains(QString::fromUtf8(entry.name.data(), entry.name.size())))
            << entry.name;
    auto* file = rig.main.findChild<QAction*>("mnufile");
    ASSERT_NE(file, nullptr);
    EXPECT_FALSE(file->isVisible());

    // Labels never take focus; the buttons follow Test, Reset, About, Exit.
    EXPECT_EQ(rig.Control(Ctl::Counter)->focusPolicy(), Qt::NoFocus);
    QWidget* w = rig.Control(Ctl::TestS);
    for (Ctl next : {Ctl::Reset, Ctl::About, Ctl::Exit}) {
        do w = w->nextInFocusChain();
        while (w->focusPolicy() == Qt::NoFocus);
        EXPECT_EQ(w, rig.Control(next));
    }
    // The counter lies over the activity mark it overlaps, so its first
    // letters are never covered.
    const QObjectList& kids = rig.main.children();
    EXPECT_GT(kids.indexOf(rig.Control(Ctl::Counter)), kids.indexOf(rig.Control(Ctl::CPULoad)));
}

TEST(QtWindows, AboutWindowHasNoTitleBarButtonsAndDrawsItsLinkOverThePanel) {
    tray_qt::QtView view;
    tray_qt::AboutDialog about(view);
    EXPECT_EQ(about.size(), QSize(164, 312));
    const Qt::WindowFlags flags = about.windowFlags();
    EXPECT_FALSE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowSystemMenuHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(about.windowTitle(), "Dormix Lite");

    auto* link = qobject_cast<QLabel*>(view.Control(Ctl::WebSite));
    auto* panel = qobject_cast<QLabel*>(view.Control(Ctl::Label3));
    EXPECT_TRUE(link->font().underline());
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0x00, 0x66, 0x00));
    EXPECT_EQ(link->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_FALSE(link->autoFillBackground()) << "transparent labels draw only their text";
    EXPECT_TRUE(panel->autoFillBackground());
    EXPECT_EQ(panel->palette().color(QPalette::Window), QColor(Qt::white));
    const QObjectList& kids = about.children();
    EXPECT_LT(kids.indexOf(panel), kids.indexOf(link)) << "the white panel lies behind the link";

    auto* countdown = view.Control(Ctl::TMessage);
    EXPECT_EQ(countdown->geometry(), QRect(3, 256, 158, 17));
    EXPECT_TRUE(countdown->font().bold());
    EXPECT_DOUBLE_EQ(countdown->font().pointSizeF(), 9.0);
    EXPECT_EQ(countdown->palette().color(QPalette::WindowText), QColor(0xFF, 0x80, 0x00));
    EXPECT_EQ(view.Control(Ctl::ExitAbout)->toolTip(), "Close Dormix Lite About Screen");
    EXPECT_EQ(view.Control(Ctl::ExitAbout)->geometry(), QRect(93, 280, 67, 25));
    EXPECT_TRUE(about.autoFillBackground());
    EXPECT_EQ(about.palette().brush(QPalette::Window).texture().size(), QSize(164, 314));
}

TEST(QtWindows, NoticeWindowShowsTheErrorIconAndCloseBoxOnly) {
    tray_qt::QtView view;
    tray_qt::NoticeWindow notice(view);
    EXPECT_EQ(notice.size(), QSize(283, 95));
    EXPECT_EQ(notice.windowTitle(), "Error");
    const Qt::WindowFlags flags = notice.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    auto* icon = qobject_cast<QLabel*>(view.Control(Ctl::Image1));
    EXPECT_EQ(icon->geometry(), QRect(10, 15, 32, 32));
    EXPECT_EQ(icon->pixmap().size(), QSize(32, 32));
    EXPECT_EQ(view.Control(Ctl::NoticeExit)->geometry(), QRect(115, 70, 65, 23));
    EXPECT_EQ(view.Control(Ctl::NoticeExit)->toolTip(), "Exit");
    EXPECT_EQ(qobject_cast<QLabel*>(view.Control(Ctl::ErrorMess))->text(), "Error Message");
}

}  // namespace
}  // namespace dormix::testing
