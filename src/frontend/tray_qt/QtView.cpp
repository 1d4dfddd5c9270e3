#include "frontend/tray_qt/QtView.h"

#include <QAbstractButton>
#include <QLabel>

#include "frontend/tray_qt/WidgetBuilder.h"

namespace dormix::tray_qt {

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

// Every setter first compares with what the widget already shows. Qt drops
// an identical palette or font only after copying and resolving it against
// the parent's, which is most of a quiet tick's work; the core sets every
// caption, colour and weight of the phase each second.

void QtView::SetWindowCaption(ui::Wnd window, std::string_view caption) {
    QWidget* w = Window(window);
    if (!w) return;
    const QString text = DisplayText(caption);
    if (w->windowTitle() != text) Apply([&] { w->setWindowTitle(text); });
}

void QtView::SetCaption(ui::Ctl control, std::string_view caption) {
    QWidget* w = Control(control);
    if (!w) return;
    const QString text = DisplayText(caption);
    if (auto* label = qobject_cast<QLabel*>(w)) {
        if (label->text() != text) Apply([&] { label->setText(text); });
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        if (button->text() != text) Apply([&] { button->setText(text); });
    }
}

void QtView::SetForeColour(ui::Ctl control, ui::Colour colour) {
    QWidget* w = Control(control);
    if (!w) return;
    const QColor c = ColourOf(colour);
    const QPalette& shown = w->palette();
    if (shown.color(QPalette::WindowText) != c || shown.color(QPalette::ButtonText) != c)
        Apply([&] { SetForeground(w, colour); });
}

void QtView::SetBackColour(ui::Ctl control, ui::Colour colour) {
    QWidget* w = Control(control);
    if (w && w->palette().color(QPalette::Window) != ColourOf(colour))
        Apply([&] { SetBackground(w, colour); });
}

void QtView::SetBold(ui::Ctl control, bool bold) {
    QWidget* w = Control(control);
    if (!w || w->font().bold() == bold) return;
    Apply([&] {
        QFont font = w->font();
        font.setBold(bold);
        w->setFont(font);
    });
}

void QtView::SetEnabled(ui::Ctl control, bool enabled) {
    // The widget's own setting, not isEnabled(), which also follows its parent.
    QWidget* w = Control(control);
    if (w && w->testAttribute(Qt::WA_ForceDisabled) == enabled)
        Apply([&] { w->setEnabled(enabled); });
}

void QtView::SetTooltip(ui::Ctl control, std::string_view tip) {
    QWidget* w = Control(control);
    if (!w) return;
    const QString text = DisplayText(tip);
    if (w->toolTip() != text) Apply([&] { w->setToolTip(text); });
}

}  // namespace dormix::tray_qt
