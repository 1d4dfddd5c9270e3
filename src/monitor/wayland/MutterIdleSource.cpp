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

// The idle time is read a sample late (its answer is used at the next
// sample), so a touch just before the count reaches its limit would show
// only after the countdown began. GNOME also fires a one-shot "user active"
// watch at the first input after it is set: that signal arrives before the
// next sample and is taken at once. A watch that cannot be set only loses
// this head start; the idle time still covers every moment.
class ActiveWatch final : public QObject {
    Q_OBJECT

public:
    explicit ActiveWatch(QDBusConnection& bus) : bus_(bus) {
        bus_.connect(Service, CorePath, Interface, "WatchFired", this, SLOT(OnWatchFired(uint)));
    }

    // Sets the watch unless it is set or being set.
    void Arm() {
        if (id_ == 0 && !setting_) Set();
    }
    // Whether the watch fired since the last call; sets it again if it did.
    bool FiredSinceLastSample() {
        const bool fired = fired_;
        fired_ = false;
        Arm();
        return fired;
    }

private slots:
    void OnWatchFired(uint id) {
        if (setting_) {
            firedEarly_ = id;  // before the answer that tells our id came
        } else if (id != 0 && id == id_) {
            fired_ = true;
            id_ = 0;
        }
    }

private:
    void Set() {
        setting_ = true;
        firedEarly_ = 0;
        const QDBusMessage call =
            QDBusMessage::createMethodCall(Service, CorePath, Interface, "AddUserActiveWatch");
        watcher_ = std::make_unique<QDBusPendingCallWatcher>(bus_.asyncCall(call, CallTimeoutMs));
        QObject::connect(watcher_.get(), &QDBusPendingCallWatcher::finished, this,
                         [this](QDBusPendingCallWatcher* answer) {
                             const QDBusMessage reply = answer->reply();
                             setting_ = false;
                             id_ = reply.type() == QDBusMessage::ReplyMessage &&
                                           reply.signature() == QLatin1String("u")
                                       ? reply.arguments().value(0).toUInt()
                                       : 0;
                             if (id_ != 0 && id_ == firedEarly_) OnWatchFired(id_);
                         });
    }

    QDBusConnection& bus_;
    uint id_ = 0, firedEarly_ = 0;
    bool setting_ = false, fired_ = false;
    std::unique_ptr<QDBusPendingCallWatcher> watcher_;
};

class MutterIdleSource final : public monitor::ActivitySource {
public:
    explicit MutterIdleSource(QDBusConnection bus) : bus_(std::move(bus)), watch_(bus_) {
        Ask();
        watch_.Arm();
    }

    bool ActiveSinceLastSample() override {
        const bool active = rule_.Active();
        const bool fired = watch_.FiredSinceLastSample();
        // A question still out is left to finish or time out: one at a time.
        if (!rule_.Waiting()) Ask();
        return active || fired;
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
    ActiveWatch watch_;
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

#include "MutterIdleSource.moc"
