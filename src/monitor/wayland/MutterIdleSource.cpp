#include "monitor/wayland/MutterIdleSource.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <chrono>
#include <memory>
#include <optional>

#include "monitor/wayland/IdleTimeRule.h"

namespace dormix::monitor::wayland {

namespace {

const char* Service = "org.gnome.Mutter.IdleMonitor";
const char* CorePath = "/org/gnome/Mutter/IdleMonitor/Core";
const char* Interface = "org.gnome.Mutter.IdleMonitor";
// Whether the monitor is there is decided at start within this; an answer
// during the run may take this long before it is given up.
constexpr int ProbeTimeoutMs = 1500;
constexpr int CallTimeoutMs = 1000;

QDBusMessage GetIdletime() {
    return QDBusMessage::createMethodCall(Service, CorePath, Interface, "GetIdletime");
}

// The idle time in the reply, or nothing for an error or an answer of
// another shape than one unsigned 64-bit number.
std::optional<std::uint64_t> IdleTimeOf(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != QLatin1String("t"))
        return std::nullopt;
    return reply.arguments().value(0).toULongLong();
}

IdleTimeRule::Ms Now() {
    return std::chrono::duration_cast<IdleTimeRule::Ms>(
        std::chrono::steady_clock::now().time_since_epoch());
}

class MutterIdleSource final : public monitor::ActivitySource {
public:
    explicit MutterIdleSource(QDBusConnection bus) : bus_(std::move(bus)) { Ask(); }

    bool ActiveSinceLastSample() override {
        const bool active = rule_.Active();
        // A question still out is left to finish or time out: one at a time.
        if (!rule_.Waiting()) Ask();
        return active;
    }

private:
    // Sends the question and returns at once; the answer arrives through
    // the event loop before a later sample.
    void Ask() {
        watcher_.reset();
        rule_.Asked(Now());
        watcher_ =
            std::make_unique<QDBusPendingCallWatcher>(bus_.asyncCall(GetIdletime(), CallTimeoutMs));
        QObject::connect(watcher_.get(), &QDBusPendingCallWatcher::finished,
                         [this](QDBusPendingCallWatcher* call) {
                             const auto idle = IdleTimeOf(call->reply());
                             if (idle)
                                 rule_.Answered(Now(), *idle);
                             else
                                 rule_.Failed();
                         });
    }

    QDBusConnection bus_;
    IdleTimeRule rule_;
    std::unique_ptr<QDBusPendingCallWatcher> watcher_;
};

}  // namespace

std::unique_ptr<monitor::ActivitySource> OpenMutterIdleSource() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return nullptr;
    if (!IdleTimeOf(bus.call(GetIdletime(), QDBus::Block, ProbeTimeoutMs))) return nullptr;
    return std::make_unique<MutterIdleSource>(bus);
}

}  // namespace dormix::monitor::wayland
