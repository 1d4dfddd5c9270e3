// GNOME's idle monitor against a stand-in on a private session bus: absent,
// answering wrongly, and its watches refused, lost with the monitor and set again.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>

#include "MockLogind.h"
#include "platform/linux/wayland/MutterIdleSource.h"

namespace dormix::testing {
namespace {

const char* Service = "org.gnome.Mutter.IdleMonitor";
const char* CorePath = "/org/gnome/Mutter/IdleMonitor/Core";

struct IdleMonitorStandIn {
    explicit IdleMonitorStandIn(PrivateBus& bus) : bus(bus) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DBUS_SESSION_BUS_ADDRESS", bus.Address());
        mock.setProcessEnvironment(env);
        mock.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        mock.start("/usr/bin/python3", {"-m", "dbusmock", Service, CorePath, Service});
        const QDeadlineTimer deadline(15000);
        while (!Mock("ClearCalls", {}) && !deadline.hasExpired()) QThread::msleep(20);
    }
    ~IdleMonitorStandIn() {
        mock.terminate();
        mock.waitForFinished(5000);
    }
    bool Mock(const char* method, const QVariantList& args) {
        QDBusMessage m =
            QDBusMessage::createMethodCall(Service, CorePath, "org.freedesktop.DBus.Mock", method);
        m.setArguments(args);
        // The source's own connection: what it sent before is answered before this.
        reply = QDBusConnection::sessionBus().call(m);
        return reply.type() == QDBusMessage::ReplyMessage;
    }
    void Answer(const char* signature, const char* code) {
        EXPECT_TRUE(Mock("AddMethod", {Service, "GetIdletime", "", signature, code}));
    }
    // Lets in every answer to what the source asked before, and to what it
    // asked on those answers (a watch fired, then set again, then checked).
    void Settle() {
        for (int round = 0; round < 3; ++round) {
            Mock("GetMethodCalls", {"GetIdletime"});
            // An answer reaches its watcher in two queued steps.
            for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
        }
    }
    int Calls(const char* method = "GetIdletime") {
        Mock("GetMethodCalls", {method});
        const auto calls = reply.arguments().value(0).value<QDBusArgument>();
        int n = 0;
        calls.beginArray();
        while (!calls.atEnd()) {
            qulonglong when = 0;
            QVariantList args;
            calls.beginStructure();
            calls >> when >> args;
            calls.endStructure();
            ++n;
        }
        calls.endArray();
        return n;
    }

    PrivateBus& bus;
    QProcess mock;
    QDBusMessage reply;
};

TEST(MutterIdle, WatchesRefusedOrLostWithTheMonitorCountAsUseUntilSetAgain) {
    PrivateBus bus;
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.Address().toUtf8());
    EXPECT_EQ(linux_wayland::OpenMutterIdleSource(), nullptr);

    auto monitor = std::make_unique<IdleMonitorStandIn>(bus);
    monitor->Answer("u", "ret = 50000");  // not the unsigned 64-bit number mutter sends
    EXPECT_EQ(linux_wayland::OpenMutterIdleSource(), nullptr);
    monitor->Answer("t", "ret = 50000");
    const auto refuse = [&](const char* code, const char* signature = "u") {
        EXPECT_TRUE(monitor->Mock("AddMethod", {Service, "AddIdleWatch", "t", signature, code}));
    };
    refuse("raise dbus.exceptions.DBusException('x')");
    auto source = linux_wayland::OpenMutterIdleSource();
    ASSERT_NE(source, nullptr);
    const auto sample = [&] {
        monitor->Settle();
        return source->ActiveSinceLastSample();
    };
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(sample());
    EXPECT_TRUE(source->LastAnswerFailed());
    EXPECT_EQ(monitor->Calls("AddIdleWatch"), 4);  // at start, and again each sample
    refuse("ret = '1'", "s");                      // an answer of another shape
    sample();
    EXPECT_TRUE(sample());
    EXPECT_TRUE(source->LastAnswerFailed());

    const auto setUp = [&] {
        monitor->Answer("t", "ret = 50000");
        refuse("ret = 1");
        EXPECT_TRUE(
            monitor->Mock("AddMethod", {Service, "AddUserActiveWatch", "", "u", "ret = 2"}));
    };
    const auto fire = [&](uint id) {
        EXPECT_TRUE(monitor->Mock("EmitSignal", {Service, "WatchFired", "u", QVariantList{id}}));
    };
    setUp();
    sample();               // set now
    EXPECT_TRUE(sample());  // not idle yet
    EXPECT_FALSE(source->LastAnswerFailed());
    fire(1);
    sample();  // the active watch set and the idle time checked
    const int asked = monitor->Calls();
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(sample());
    EXPECT_EQ(monitor->Calls(), asked);  // nothing asked while nothing changes
    fire(2);
    EXPECT_TRUE(sample());

    // The monitor gone (GNOME Shell restarted): use until a new one has the watch set.
    monitor.reset();
    const QDeadlineTimer deadline(5000);
    while (!source->LastAnswerFailed() && !deadline.hasExpired()) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    ASSERT_TRUE(source->LastAnswerFailed());
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(source->ActiveSinceLastSample());
    monitor = std::make_unique<IdleMonitorStandIn>(bus);
    setUp();
    sample();
    sample();
    fire(1);
    sample();
    EXPECT_FALSE(sample());
    EXPECT_FALSE(source->LastAnswerFailed());
}

}  // namespace
}  // namespace dormix::testing
