#include "frontend/tray_qt/AboutDialog.h"

#include <QAbstractButton>
#include <QKeyEvent>

#include "frontend/tray_qt/WidgetBuilder.h"

namespace dormix::tray_qt {

AboutDialog::AboutDialog(QtView& view) : QDialog(nullptr) {
    BuildWindow(this, ui::Wnd::frmAbout, view);
    auto* close = qobject_cast<QAbstractButton*>(view.Control(ui::Ctl::ExitAbout));
    connect(close, &QAbstractButton::clicked, this, [this] {
        if (onCloseClick) onCloseClick();
    });
    auto* link = qobject_cast<ClickableLabel*>(view.Control(ui::Ctl::WebSite));
    connect(link, &ClickableLabel::clicked, this, [this] {
        if (onWebSiteClick) onWebSiteClick();
    });
}

void AboutDialog::CloseByProgram() {
    closingByProgram_ = true;
    done(QDialog::Accepted);
}

void AboutDialog::reject() {
    if (!closingByProgram_ && onClosedOtherwise) onClosedOtherwise();
    QDialog::reject();
}

void AboutDialog::done(int result) {
    wasActive_ = isActiveWindow();
    QDialog::done(result);
}

// A dialog closes on Escape; this window closes only through its Close
// button, its countdown or the window manager.
void AboutDialog::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace dormix::tray_qt
