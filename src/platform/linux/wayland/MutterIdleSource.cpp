#include "platform/linux/wayland/MutterIdleSource.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <functional>
#include <memory>
#include <optional>

#include "monitor/IdleWatches.h"

namespace dormix::linux_wayland {

namespace {

const char* Service = "org.gnome.Mutter.IdleMonitor";
const char* CorePath = "/org/gnome/Mutter/IdleMonitor/Core";
const char* Interface = "org.gnome.Mutter.IdleMonitor";
// Whether the monitor is there is decided at start within this; a call
// during the run may take this long before it counts as failed.
constexpr int ProbeTimeoutMs = 1500;
constexpr int CallTimeoutMs = 1000;

QDBusMessage Call(const char* method, const QVariantList& args = {}) {
    QDBusMessage m = QDBusMessage::createMethodCall(Service, CorePath, Interface, method);
    m.setArguments(args);
    return m;
}

// The one argument of a reply of this signature, or nothing for an error
// or an answer of another shape.
std::optional<QVariant> ValueOf(const QDBusMessage& reply, const char* signature) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != QLatin1String(signature))
        return std::nullopt;
    return reply.arguments().value(0);
}

// GNOME's idle watches over the session bus: two calls and a signal when
// the user goes idle or comes back, nothing in between.
class MutterIdleSource final : public QObject,
                               public monitor::ActivitySource,
                               private monitor::IdleWatches::Monitor {
    Q_OBJECT

  public:
    explicit MutterIdleSource(QDBusConnection bus)
        : bus_(std::move(bus)),
          owner_(Service, bus_, QDBusServiceWatcher::WatchForOwnerChange),
          watches_(*this) {
        bus_.connect(Service, CorePath, Interface, "WatchFired", this, SLOT(OnWatchFired(uint)));
        // A monitor that restarts (GNOME Shell reloaded) forgets every watch.
        connect(&owner_, &QDBusServiceWatcher::serviceOwnerChanged, this,
                [this] { watches_.MonitorLost(); });
        watches_.Start();
    }
    bool ActiveSinceLastSample() override { return watches_.ActiveSinceLastSample(); }
    bool LastAnswerFailed() const override { return watches_.Failing(); }
    std::string_view Name() const override { return Service; }

  private slots:
    void OnWatchFired(uint id) { watches_.Fired(id); }

  private:
    void AddIdleWatch(std::uint64_t intervalMs) override {
        Ask(Call("AddIdleWatch", {qulonglong(intervalMs)}), "u",
            [this](const QVariant& id) { watches_.IdleWatchSet(id.toUInt()); });
    }
    void AddUserActiveWatch() override {
        Ask(Call("AddUserActiveWatch"), "u",
            [this](const QVariant& id) { watches_.ActiveWatchSet(id.toUInt()); });
    }
    void GetIdletime() override {
        Ask(Call("GetIdletime"), "t",
            [this](const QVariant& ms) { watches_.IdleTimeIs(ms.toULongLong()); });
    }
    // The monitor also drops a client's watches when its connection closes,
    // so the program's end needs none of these.
    void RemoveWatch(std::uint32_t id) override { bus_.send(Call("RemoveWatch", {uint(id)})); }

    // Sends the call and returns at once; the answer reaches the watches
    // from the event loop, unless a new start made it stale meanwhile.
    void Ask(const QDBusMessage& call, const char* signature,
             std::function<void(const QVariant&)> answered) {
        auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(call, CallTimeoutMs), this);
        const std::uint32_t generation = watches_.Generation();
        connect(pending, &QDBusPendingCallWatcher::finished, this,
                [this, generation, signature, answered](QDBusPendingCallWatcher* done) {
                    done->deleteLater();
                    if (generation != watches_.Generation()) return;
                    if (const auto value = ValueOf(done->reply(), signature))
                        answered(*value);
                    else
                        watches_.Failed();
                });
    }

    QDBusConnection bus_;
    QDBusServiceWatcher owner_;
    monitor::IdleWatches watches_;
};

}  // namespace

std::unique_ptr<dormix::monitor::ActivitySource> OpenMutterIdleSource() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return nullptr;
    if (!ValueOf(bus.call(Call("GetIdletime"), QDBus::Block, ProbeTimeoutMs), "t")) return nullptr;
    return std::make_unique<MutterIdleSource>(bus);
}

}  // namespace dormix::linux_wayland

#include "MutterIdleSource.moc"
