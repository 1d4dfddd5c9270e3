#pragma once
// MultiInst: shown by a second copy instead of the main window.

#include <QWidget>
#include <functional>

#include "frontend/tray_qt/QtView.h"

namespace dormix::tray_qt {

class NoticeWindow : public QWidget {
    Q_OBJECT
  public:
    explicit NoticeWindow(QtView& view);

    std::function<void()> onOk, onActivate, onClosed;

  protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};

}  // namespace dormix::tray_qt
