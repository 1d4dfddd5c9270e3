#pragma once
// SIGTERM, SIGINT and SIGHUP, and the session manager's end of session,
// turned into one call on the user-interface thread: the orderly exit.

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <functional>
#include <memory>

namespace dormix::tray_qt {

// SIGPIPE and SIGXFSZ ignored, for the whole process.
void IgnoreHarmlessSignals();

class SignalBridge : public QObject {
  public:
    explicit SignalBridge(std::function<void()> onEnd);
    ~SignalBridge() override;
    // False when no pipe could be made and a timer watches for signals.
    bool UsesPipe() const;

  private:
    void Drain();

    std::function<void()> onEnd_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::unique_ptr<QTimer> poll_;
};

}  // namespace dormix::tray_qt
