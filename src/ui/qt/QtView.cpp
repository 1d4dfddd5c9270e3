#include "ui/qt/QtView.h"

#include <QAbstractButton>
#include <QLabel>

#include "ui/qt/WidgetBuilder.h"

namespace dormix::qt {

QString DisplayText(std::string_view text) {
    QString out = QString::fromUtf8(text.data(), qsizetype(text.size()));
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return out;
}

QWidget* QtView::Window(ui::Wnd id) const {
    const auto found = windows_.find(id);
    return found == windows_.end() ? nullptr : found->second.data();
}

QWidget* QtView::Control(ui::Ctl id) const {
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second.data();
}

void QtView::SetWindowCaption(ui::Wnd window, std::string_view caption) {
    if (QWidget* w = Window(window)) w->setWindowTitle(DisplayText(caption));
}

void QtView::SetCaption(ui::Ctl control, std::string_view caption) {
    QWidget* w = Control(control);
    if (auto* label = qobject_cast<QLabel*>(w)) label->setText(DisplayText(caption));
    if (auto* button = qobject_cast<QAbstractButton*>(w)) button->setText(DisplayText(caption));
}

void QtView::SetForeColour(ui::Ctl control, ui::Colour colour) {
    if (QWidget* w = Control(control)) SetForeground(w, colour);
}

void QtView::SetBackColour(ui::Ctl control, ui::Colour colour) {
    if (QWidget* w = Control(control)) SetBackground(w, colour);
}

void QtView::SetBold(ui::Ctl control, bool bold) {
    if (QWidget* w = Control(control)) {
        QFont font = w->font();
        font.setBold(bold);
        w->setFont(font);
    }
}

void QtView::SetEnabled(ui::Ctl control, bool enabled) {
    if (QWidget* w = Control(control)) w->setEnabled(enabled);
}

void QtView::SetTooltip(ui::Ctl control, std::string_view tip) {
    if (QWidget* w = Control(control)) w->setToolTip(DisplayText(tip));
}

}  // namespace dormix::qt
