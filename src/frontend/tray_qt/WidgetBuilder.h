#pragma once
// Builds the windows' controls from the inventory table: geometry in pixels
// (twips / 15; Qt scales for high dpi itself), fonts, colours, alignment,
// transparency, tooltips, pictures and the focus order.

#include <QFont>
#include <QLabel>
#include <QRect>
#include <QWidget>

#include "frontend/tray_qt/QtView.h"
#include "ui/Inventory.h"

namespace dormix::tray_qt {

QRect PixelRect(const ui::Rect& twips);
QSize ClientSize(const ui::Window& window);
QFont FontOf(const ui::Font& font);
QColor ColourOf(ui::Colour colour);  // system colours from the desktop's palette
Qt::WindowFlags FlagsOf(const ui::Window& window);

void SetForeground(QWidget* control, ui::Colour colour);
void SetBackground(QWidget* control, ui::Colour colour);
// Above all ordinary windows or back among them, without re-creating (and so
// hiding) the native window as QWidget::setWindowFlags would.
void SetStaysOnTop(QWidget* window, bool onTop);

// A label that reports clicks (the About window's web link).
class ClickableLabel : public QLabel {
    Q_OBJECT
  public:
    using QLabel::QLabel;
  signals:
    void clicked();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// Sets the window's caption, flags, fixed client size and icon, then creates
// every control of `id` as its child and registers both with `view`.
void BuildWindow(QWidget* window, ui::Wnd id, QtView& view);

}  // namespace dormix::tray_qt
