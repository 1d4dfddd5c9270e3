#include "MockLogind.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QThread>
#include <atomic>
#include <csignal>

namespace dormix::testing {

namespace {

const char* Service = "org.freedesktop.login1";
const char* Path = "/org/freedesktop/login1";
const char* MockInterface = "org.freedesktop.DBus.Mock";
// Debian's python3 carries dbusmock; a python from elsewhere first on PATH may not.
const char* Python = "/usr/bin/python3";

QDBusMessage MockCall(QDBusConnection bus, const char* method, const QVariantList& args) {
    QDBusMessage m = QDBusMessage::createMethodCall(Service, Path, MockInterface, method);
    m.setArguments(args);
    return bus.call(m);
}

}  // namespace

PrivateBus::PrivateBus() {
    static std::atomic<int> serial{0};
    name_ = QStringLiteral("private-bus-%1").arg(++serial);
    daemon_.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    if (!daemon_.waitForStarted(5000)) {
        ADD_FAILURE() << "dbus-daemon does not start";
        return;
    }
    // The address is its first line; the daemon is up once it is printed.
    while (!daemon_.canReadLine() && daemon_.waitForReadyRead(5000)) {
    }
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    EXPECT_FALSE(address_.isEmpty()) << "dbus-daemon printed no address";
}

PrivateBus::~PrivateBus() {
    QDBusConnection::disconnectFromBus(name_);
    daemon_.terminate();
    Freeze(false);  // a stopped daemon could not act on the signal
    daemon_.waitForFinished(5000);
}

QDBusConnection PrivateBus::Connection() const {
    return QDBusConnection::connectToBus(address_, name_);
}

int PrivateBus::Connections() const {
    return int(Connection()
                   .interface()
                   ->registeredServiceNames()
                   .value()
                   .filter(QRegularExpression("^:"))
                   .size());
}

const QString SessionsTemplate = DORMIX_SESSIONS_TEMPLATE;

MockLogind::MockLogind(PrivateBus& bus, const QString& parameters, const QString& templateName)
    : bus_(bus) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DBUS_SYSTEM_BUS_ADDRESS", bus.Address());
    mock_.setProcessEnvironment(env);
    mock_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    mock_.start(Python, {"-m", "dbusmock", "--template", templateName, "-p", parameters});
    // Waiting for another process to come up, not for time to pass.
    const QDeadlineTimer deadline(15000);
    QDBusConnection c = bus.Connection();
    while (!c.interface()->isServiceRegistered(Service).value() && !deadline.hasExpired() &&
           mock_.state() != QProcess::NotRunning)
        QThread::msleep(20);
    EXPECT_TRUE(c.interface()->isServiceRegistered(Service).value()) << "mock logind not up";
}

MockLogind::~MockLogind() {
    mock_.terminate();
    Freeze(false);
    mock_.waitForFinished(5000);
}

void MockLogind::Freeze(bool frozen) {
    ::kill(pid_t(mock_.processId()), frozen ? SIGSTOP : SIGCONT);
}

void PrivateBus::Freeze(bool frozen) {
    ::kill(pid_t(daemon_.processId()), frozen ? SIGSTOP : SIGCONT);
}

void MockLogind::Mock(const QString& method, const QVariantList& args) {
    const QDBusMessage reply = MockCall(bus_.Connection(), method.toUtf8().constData(), args);
    EXPECT_NE(reply.type(), QDBusMessage::ErrorMessage)
        << method.toStdString() << ": " << reply.errorMessage().toStdString();
}

void MockLogind::AddMethod(const QString& name, const QString& inSig, const QString& code,
                           const QString& outSig) {
    const QDBusMessage reply =
        MockCall(bus_.Connection(), "AddMethod",
                 {"org.freedesktop.login1.Manager", name, inSig, outSig, code});
    EXPECT_NE(reply.type(), QDBusMessage::ErrorMessage) << reply.errorMessage().toStdString();
}

QList<QVariantList> MockLogind::Calls(const QString& method) {
    const QDBusMessage reply = MockCall(bus_.Connection(), "GetMethodCalls", {method});
    QList<QVariantList> calls;
    if (reply.type() == QDBusMessage::ErrorMessage || reply.arguments().isEmpty()) return calls;
    const auto array = reply.arguments().at(0).value<QDBusArgument>();
    array.beginArray();
    while (!array.atEnd()) {
        qulonglong when = 0;
        QVariantList args;
        array.beginStructure();
        array >> when;
        array.beginArray();
        while (!array.atEnd()) {
            QDBusVariant v;
            array >> v;
            args << v.variant();
        }
        array.endArray();
        array.endStructure();
        calls << args;
    }
    array.endArray();
    return calls;
}

int MockLogind::Inhibit(const QString& what, const QString& who, const QString& why,
                        const QString& mode) {
    QDBusMessage m =
        QDBusMessage::createMethodCall(Service, Path, "org.freedesktop.login1.Manager", "Inhibit");
    m.setArguments({what, who, why, mode});
    const QDBusMessage reply = bus_.Connection().call(m);
    if (reply.type() == QDBusMessage::ErrorMessage) return -1;
    return ::dup(reply.arguments().at(0).value<QDBusUnixFileDescriptor>().fileDescriptor());
}

}  // namespace dormix::testing

namespace dormix::testing {

int MockLogind::InhibitorsSettledAt(int expected) {
    // The mock drops an inhibitor when it sees the lock's pipe close, in its
    // own time: wait for it (for another process, not for time to pass).
    const QDeadlineTimer deadline(5000);
    int count = -1;
    do {
        QDBusMessage m = QDBusMessage::createMethodCall(
            Service, Path, "org.freedesktop.login1.Manager", "ListInhibitors");
        const QDBusMessage reply = bus_.Connection().call(m);
        count = 0;
        if (reply.type() != QDBusMessage::ErrorMessage) {
            const auto list = reply.arguments().at(0).value<QDBusArgument>();
            list.beginArray();
            while (!list.atEnd()) {
                QString what, who, why, mode;
                uint uid = 0, pid = 0;
                list.beginStructure();
                list >> what >> who >> why >> mode >> uid >> pid;
                list.endStructure();
                ++count;
            }
            list.endArray();
        }
        if (count == expected) break;
        QThread::msleep(10);
    } while (!deadline.hasExpired());
    return count;
}

}  // namespace dormix::testing
