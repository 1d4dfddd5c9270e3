#pragma once
// The notification-area icon. Qt gives no raw mouse message, so the one
// event that matters, a left double-click, is reported by itself.

#include <QObject>
#include <QSystemTrayIcon>
#include <functional>

namespace dormix::qt {

class TrayIcon : public QObject {
    Q_OBJECT
  public:
    TrayIcon();
    void Add();
    void Delete();
    bool Shown() const { return icon_.isVisible(); }
    QSystemTrayIcon& Icon() { return icon_; }

    std::function<void()> onDoubleClick;

  private:
    QSystemTrayIcon icon_;
};

}  // namespace dormix::qt
