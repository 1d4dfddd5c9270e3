#include "frontend/tray_qt/NoticeWindow.h"

#include <QAbstractButton>
#include <QCloseEvent>

#include "frontend/tray_qt/WidgetBuilder.h"

namespace dormix::tray_qt {

NoticeWindow::NoticeWindow(QtView& view) {
    BuildWindow(this, ui::Wnd::MultiInst, view);
    auto* ok = qobject_cast<QAbstractButton*>(view.Control(ui::Ctl::NoticeExit));
    connect(ok, &QAbstractButton::clicked, this, [this] {
        if (onOk) onOk();
    });
}

void NoticeWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && onActivate) onActivate();
}

void NoticeWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    if (onClosed) onClosed();
}

}  // namespace dormix::tray_qt
