#pragma once
// The notification-area icon. Qt gives no raw mouse message, so the one
// event that matters, a left double-click, is reported by itself.
//
// Tray hosts speaking StatusNotifierItem over D-Bus (KDE, GNOME's
// AppIndicator) report every left click as a plain activation and never a
// double-click; two activations within the desktop's double-click time
// count as one. An XEmbed tray reports the double-click itself.

#include <QObject>
#include <QSystemTrayIcon>
#include <functional>

namespace dormix::tray_qt {

class TrayIcon : public QObject {
    Q_OBJECT
  public:
    // `nowMs`: a monotonic clock in milliseconds; tests pass their own.
    explicit TrayIcon(std::function<qint64()> nowMs = {});
    void Add();
    void Delete();
    bool Shown() const { return icon_.isVisible(); }
    QSystemTrayIcon& Icon() { return icon_; }

    std::function<void()> onDoubleClick;

  private:
    void OnActivated(QSystemTrayIcon::ActivationReason reason);

    QSystemTrayIcon icon_;
    std::function<qint64()> nowMs_;
    qint64 lastClickMs_ = -1;
};

}  // namespace dormix::tray_qt
