// GNOME's idle monitor against a stand-in on a private session bus: absent,
// answering, answering wrongly, failing, and back.
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
        reply = bus.Connection().call(m);
        return reply.type() == QDBusMessage::ReplyMessage;
    }
    void Answer(const char* signature, const char* code) {
        EXPECT_TRUE(Mock("AddMethod", {Service, "GetIdletime", "", signature, code}));
    }
    int Calls() {
        Mock("GetMethodCalls", {"GetIdletime"});
        const auto calls = reply.arguments().value(0).value<QDBusArgument>();
        int n = 0;
        calls.beginArray();
        while (!calls.atEnd()) {
            qulonglong when = 0;
            calls.beginStructure();
            calls >> when;
            calls.beginArray();
            calls.endArray();  // GetIdletime has no arguments
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

// Samples, letting answers in between, until `done`; every sample's result
// is passed to `seen`. One question is out at a time, so a new call at the
// stand-in means the answer before it was used by a sample.
template <typename Done, typename Seen>
void SampleUntil(monitor::ActivitySource& source, Done done, Seen seen) {
    const QDeadlineTimer deadline(15000);
    while (!done() && !deadline.hasExpired()) {
        seen(source.ActiveSinceLastSample());
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    EXPECT_TRUE(done()) << "the source stopped asking";
}

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
    bool idle = false;
    SampleUntil(
        *source, [&] { return idle; }, [&](bool active) { idle = !active; });

    // Input shown, an answer of another shape, an error: all count as input.
    const std::pair<const char*, const char*> answers[] = {
        {"t", "ret = 20"}, {"u", "ret = 50000"}, {"t", "raise dbus.exceptions.DBusException('x')"}};
    for (const auto& [signature, code] : answers) {
        monitor.Answer(signature, code);
        const int from = monitor.Calls() + 1;  // the one out may still have the old answer
        SampleUntil(
            *source, [&] { return monitor.Calls() >= from + 3; },
            [&](bool active) {
                if (monitor.Calls() > from) {
                    EXPECT_TRUE(active) << code;
                }
            });
    }
    monitor.Answer("t", "ret = 50000");
    idle = false;
    SampleUntil(
        *source, [&] { return idle; }, [&](bool active) { idle = !active; });
}

}  // namespace
}  // namespace dormix::testing
