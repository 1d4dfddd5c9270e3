#include "power/linux/LogindPowerApi.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QStringList>
#include <algorithm>
#include <cstring>

namespace dormix::power_linux {

namespace {

constexpr std::int32_t LogOff = 0, ShutDown = 1, Reboot = 2, Force = 4, PowerOff = 8,
                       ForceIfHung = 16;

QDBusMessage Call(QDBusConnection& bus, const char* method, const QVariantList& args = {}) {
    QDBusMessage message =
        QDBusMessage::createMethodCall(LogindService, LogindPath, LogindManager, method);
    message.setArguments(args);
    return bus.call(message, QDBus::Block);
}

}  // namespace

LogindRequest RequestFor(std::int32_t flags) {
    const bool interactive = (flags & (Force | ForceIfHung)) == 0;
    // Windows lets reboot win over power-off over shutting down.
    if (flags & Reboot) return {"Reboot", interactive, true};
    if (flags & PowerOff) return {"PowerOff", interactive, true};
    if (flags & ShutDown) return {"Halt", interactive, true};
    static_assert(LogOff == 0);
    return {"TerminateSession", interactive, false};
}

LogindPowerApi::LogindPowerApi(BusFactory bus) : busFactory_(std::move(bus)) {
    if (!busFactory_) busFactory_ = [] { return QDBusConnection::systemBus(); };
}

bool LogindPowerApi::Fail(const QString& text) {
    // Codes are handed out once each, so FormatMessage of an older code
    // still gives that failure's own text.
    lastError_ = std::uint32_t(texts_.size() + 1);
    texts_[lastError_] = text.toStdString();
    return false;
}

std::uint32_t LogindPowerApi::FormatMessage(std::uint32_t code, char* buffer, std::uint32_t size) {
    const auto found = texts_.find(code);
    if (found == texts_.end() || size == 0) return 0;
    const auto n = std::min<std::size_t>(found->second.size(), size);
    std::memcpy(buffer, found->second.data(), n);
    return std::uint32_t(n);
}

bool LogindPowerApi::LookupShutdownPrivilege() {
    QDBusConnection bus = busFactory_();
    if (!bus.isConnected()) {
        const QString why = bus.lastError().message();
        return Fail(why.isEmpty() ? QStringLiteral("The system bus is not reachable.") : why);
    }
    const QDBusReply<bool> there = bus.interface()->isServiceRegistered(LogindService);
    if (!there.isValid()) return Fail(there.error().message());
    if (there.value()) return true;
    const QDBusReply<QStringList> activatable = bus.interface()->activatableServiceNames();
    if (activatable.isValid() && activatable.value().contains(LogindService)) return true;
    return Fail(QStringLiteral("The name %1 is not on the system bus.").arg(LogindService));
}

bool LogindPowerApi::OpenProcessToken(std::uint32_t /*access*/) {
    QDBusConnection bus = busFactory_();
    const QDBusMessage reply = Call(bus, "CanPowerOff");
    if (reply.type() == QDBusMessage::ErrorMessage) return Fail(reply.errorMessage());
    const QString answer = reply.arguments().value(0).toString();
    // "challenge": allowed after authentication, which polkit grants without
    // a prompt to the active local session in the usual configuration.
    if (answer == QLatin1String("yes") || answer == QLatin1String("challenge")) return true;
    return Fail(QStringLiteral("logind answers \"%1\" to CanPowerOff.").arg(answer));
}

QString LogindPowerApi::BlockingInhibitor(QDBusConnection& bus) {
    // A privileged caller may override block inhibitors, and logind lets it;
    // a forced power-off must still not cut a system update short. So the
    // locks are looked at first, as the system's own command-line tools do.
    const QDBusMessage reply = Call(bus, "ListInhibitors");
    if (reply.type() == QDBusMessage::ErrorMessage || reply.arguments().isEmpty()) return {};
    const auto list = reply.arguments().at(0).value<QDBusArgument>();
    QString found;
    list.beginArray();
    while (!list.atEnd()) {
        QString what, who, why, mode;
        uint uid = 0, pid = 0;
        list.beginStructure();
        list >> what >> who >> why >> mode >> uid >> pid;
        list.endStructure();
        if (found.isEmpty() && mode == QLatin1String("block") &&
            what.split(':').contains(QLatin1String("shutdown")))
            found =
                QStringLiteral("Operation inhibited by \"%1\" (PID %2, user %3), reason is \"%4\".")
                    .arg(who)
                    .arg(pid)
                    .arg(uid)
                    .arg(why);
    }
    list.endArray();
    return found;
}

bool LogindPowerApi::ExitWindows(std::int32_t flags, std::uint32_t /*reason*/) {
    const LogindRequest request = RequestFor(flags);
    QDBusConnection bus = busFactory_();
    if (request.inhibitable) {
        if (const QString blocked = BlockingInhibitor(bus); !blocked.isEmpty())
            return Fail(blocked);
    }
    QVariantList args;
    if (request.inhibitable) {
        args << request.interactive;
    } else {
        // The caller's own session: logind resolves the empty id to it.
        args << QString::fromLocal8Bit(qgetenv("XDG_SESSION_ID"));
    }
    const QDBusMessage reply = Call(bus, request.method, args);
    if (reply.type() == QDBusMessage::ErrorMessage) return Fail(reply.errorMessage());
    return true;
}

}  // namespace dormix::power_linux
