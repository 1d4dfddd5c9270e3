// GNOME's idle monitor against a stand-in on a private session bus: absent,
// answering, answering wrongly, failing, and back; its user-active watch.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>

#include "MockLogind.h"
#include "monitor/wayland/MutterIdleSource.h"

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
    // Lets in every answer to what the source asked before.
    void Settle() {
        Mock("GetMethodCalls", {"GetIdletime"});
        // An answer reaches its watcher in two queued steps.
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    }
    int Calls(const char* method = "GetIdletime") {
        Mock("GetMethodCalls", {method});
        const auto calls = reply.arguments().value(0).value<QDBusArgument>();
        int n = 0;
        calls.beginArray();
        while (!calls.atEnd()) {
            qulonglong when = 0;
            calls.beginStructure();
            calls >> when;
            calls.beginArray();
            calls.endArray();  // neither method has arguments
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

TEST(MutterIdle, AbsentMonitorNoSourceAndEveryUnusableAnswerCountsAsInput) {
    PrivateBus bus;
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.Address().toUtf8());
    EXPECT_EQ(monitor::wayland::OpenMutterIdleSource(), nullptr);

    IdleMonitorStandIn monitor(bus);
    monitor.Answer("u", "ret = 50000");  // not the unsigned 64-bit number mutter sends
    EXPECT_EQ(monitor::wayland::OpenMutterIdleSource(), nullptr);
    monitor.Answer("t", "ret = 50000");
    auto source = monitor::wayland::OpenMutterIdleSource();
    ASSERT_NE(source, nullptr);
    const auto sample = [&] {
        monitor.Settle();
        return source->ActiveSinceLastSample();
    };
    EXPECT_FALSE(sample());

    // Input shown, an answer of another shape, an error: all count as input.
    const std::pair<const char*, const char*> answers[] = {
        {"t", "ret = 20"}, {"u", "ret = 50000"}, {"t", "raise dbus.exceptions.DBusException('x')"}};
    for (const auto& [signature, code] : answers) {
        monitor.Answer(signature, code);
        sample();  // the answer to the question already out
        for (int i = 0; i < 3; ++i) EXPECT_TRUE(sample()) << code;
    }
    monitor.Answer("t", "ret = 50000");
    sample();
    EXPECT_FALSE(sample());

    // The one-shot user-active watch: ours firing counts at the next sample
    // whatever the idle time says, once; another client's does not.
    EXPECT_TRUE(monitor.Mock("AddMethod", {Service, "AddUserActiveWatch", "", "u", "ret = 5"}));
    const auto fire = [&](uint id) {
        EXPECT_TRUE(monitor.Mock("EmitSignal", {Service, "WatchFired", "u", QVariantList{id}}));
    };
    EXPECT_FALSE(sample());  // sets the watch
    EXPECT_FALSE(sample());
    EXPECT_EQ(monitor.Calls("AddUserActiveWatch"), 1);
    fire(6);
    EXPECT_FALSE(sample());
    fire(5);
    EXPECT_TRUE(sample());
    EXPECT_FALSE(sample());
    EXPECT_EQ(monitor.Calls("AddUserActiveWatch"), 2);  // set again
}

}  // namespace
}  // namespace dormix::testing
