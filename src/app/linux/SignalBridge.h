#pragma once
// SIGTERM, SIGINT and SIGHUP, and the session manager's end of session,
// turned into one call on the user-interface thread: the orderly exit.

#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace dormix::linux_app {

class SignalBridge : public QObject {
  public:
    explicit SignalBridge(std::function<void()> onEnd);
    ~SignalBridge() override;

  private:
    void Drain();

    std::function<void()> onEnd_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace dormix::linux_app
