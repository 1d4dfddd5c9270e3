// The desktops' holds for real against stand-ins on a private session bus:
// GNOME's session manager (the tests' template, answering as gnome-session
// does), KDE's policy agent and the freedesktop.org power-management
// service (python-dbusmock's generic mock): what each says is held and by
// whom, a desktop that is not there, a garbled or failing answer, a silent one.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QThread>
#include <csignal>
#include <functional>
#include <memory>

#include "MockLogind.h"
#include "platform/linux/monitor/DesktopHolds.h"

namespace dormix::testing {
namespace {

using linux_monitor::GnomeSessionHolds;
using linux_monitor::PowerManagementHolds;
using Said = std::pair<std::vector<std::string>, std::string>;  // holders, failure

const char* Gnome = "org.gnome.SessionManager";
const char* GnomePath = "/org/gnome/SessionManager";
const char* Kde = "org.kde.Solid.PowerManagement.PolicyAgent";
const char* KdePath = "/org/kde/Solid/PowerManagement/PolicyAgent";
const char* Fdo = "org.freedesktop.PowerManagement";
const char* FdoPath = "/org/freedesktop/PowerManagement/Inhibit";
const char* FdoInhibit = "org.freedesktop.PowerManagement.Inhibit";

const QString GnomeTemplate = DORMIX_GNOME_SESSION_TEMPLATE;

Said Of(const monitor::HoldAnswer& answer) { return {answer.holders, answer.failure}; }

// A python-dbusmock process owning `service` on the bus: the generic mock,
// or a template.
struct StandIn {
    StandIn(PrivateBus& bus, const char* service, const char* path, const QStringList& arguments)
        : bus(bus.Connection()), service(service), path(path) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DBUS_SESSION_BUS_ADDRESS", bus.Address());
        mock.setProcessEnvironment(env);
        mock.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        mock.start("/usr/bin/python3", QStringList{"-m", "dbusmock"} + arguments);
        // Waiting for another process to come up, not for time to pass.
        const QDeadlineTimer deadline(15000);
        while (!this->bus.interface()->isServiceRegistered(service).value() &&
               !deadline.hasExpired() && mock.state() != QProcess::NotRunning)
            QThread::msleep(20);
        EXPECT_TRUE(this->bus.interface()->isServiceRegistered(service).value()) << service;
    }
    ~StandIn() {
        Freeze(false);
        mock.terminate();
        mock.waitForFinished(5000);
    }
    QDBusMessage Call(const char* interface, const char* method, const QVariantList& args = {}) {
        QDBusMessage m = QDBusMessage::createMethodCall(service, path, interface, method);
        m.setArguments(args);
        QDBusMessage reply = bus.call(m);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage)
            << method << ": " << reply.errorMessage().toStdString();
        return reply;
    }
    void Method(const char* interface, const char* name, const char* in, const char* out,
                const char* code) {
        Call("org.freedesktop.DBus.Mock", "AddMethod", {interface, name, in, out, code});
    }
    void Freeze(bool frozen) {
        if (const pid_t pid = pid_t(mock.processId()); pid > 0)
            ::kill(pid, frozen ? SIGSTOP : SIGCONT);
    }

    QDBusConnection bus;
    const char *service, *path;
    QProcess mock;
};

std::unique_ptr<StandIn> Generic(PrivateBus& bus, const char* service, const char* path,
                                 const char* interface) {
    return std::make_unique<StandIn>(bus, service, path, QStringList{service, path, interface});
}

std::unique_ptr<StandIn> GnomeSession(PrivateBus& bus) {
    return std::make_unique<StandIn>(bus, Gnome, GnomePath,
                                     QStringList{"--session", "--template", GnomeTemplate});
}

TEST(DesktopHolds, EachDesktopSaysWhatHoldsAndWhoAsFarAsItKnows) {
    PrivateBus bus;
    const std::string address = bus.Address().toStdString();
    GnomeSessionHolds gnome(address);
    PowerManagementHolds power(address);
    std::unique_ptr<StandIn> session, kde, fdo;
    const Said nothing;
    const std::string film =
        "\"org.gnome.Totem\": Playing a film (GNOME session manager idle inhibitor)";
    const auto inhibit = [&](const char* app, const char* why, uint flags) {
        session->Call(Gnome, "Inhibit", {app, 0u, why, flags});
    };
    struct Case {
        const char* what;
        std::function<void()> change;
        Said gnome, power;
    } cases[] = {
        {"no desktop on the bus", [] {}, nothing, nothing},
        {"GNOME: a film, and a copy that holds off only logout and suspend",
         [&] {
             session = GnomeSession(bus);
             inhibit("org.gnome.Totem", "Playing a film", 8);
             inhibit("org.gnome.Nautilus", "Copying files", 1 | 4);
         },
         {{film}, ""},
         nothing},
        {"GNOME: the film stopped", [&] { session->Call(Gnome, "Uninhibit", {1u}); }, nothing,
         nothing},
        {"GNOME: held, the inhibitor's object gone from the bus: held, nobody named",
         [&] {
             inhibit("org.gnome.Totem", "Playing a film", 8 | 4);
             session->Call("org.freedesktop.DBus.Mock", "RemoveObject",
                           {QString(GnomePath) + "/Inhibitor3"});
         },
         {{"a program (org.gnome.SessionManager: IsInhibited)"}, ""},
         nothing},
        {"GNOME: a garbled answer holds nothing and says why",
         [&] { session->Method(Gnome, "IsInhibited", "u", "s", "ret = 'yes'"); },
         {{},
          "org.gnome.SessionManager answered IsInhibited with the signature \"s\" instead of "
          "\"b\""},
         nothing},
        {"XFCE: nothing held",
         [&] {
             session.reset();
             fdo = Generic(bus, Fdo, FdoPath, FdoInhibit);
             fdo->Method(FdoInhibit, "HasInhibit", "", "b", "ret = False");
         },
         nothing, nothing},
        {"XFCE: held, by a program it does not name",
         [&] { fdo->Method(FdoInhibit, "HasInhibit", "", "b", "ret = True"); },
         nothing,
         {{"a program (org.freedesktop.PowerManagement.Inhibit: HasInhibit)"}, ""}},
        {"XFCE: an error holds nothing and says why",
         [&] {
             fdo->Method(FdoInhibit, "HasInhibit", "", "b",
                         "raise dbus.exceptions.DBusException('not ready', "
                         "name='org.freedesktop.PowerManagement.Failed')");
         },
         nothing,
         {{},
          "org.freedesktop.PowerManagement answered HasInhibit with "
          "org.freedesktop.PowerManagement.Failed: not ready"}},
        {"KDE: a video and a render, both named; the other service not asked",
         [&] {
             fdo->Method(FdoInhibit, "HasInhibit", "", "b", "ret = True");
             kde = Generic(bus, Kde, KdePath, Kde);
             // Held only when asked for a suspend or the screen (1 | 4), not
             // a profile change.
             kde->Method(Kde, "HasInhibition", "u", "b", "ret = args[0] == 5");
             kde->Method(Kde, "ListInhibitions", "", "a(ss)",
                         "ret = [('firefox', 'Playing video'), ('kdenlive', '')]");
         },
         nothing,
         {{"\"firefox\": Playing video (KDE power management inhibition)",
           "\"kdenlive\" (KDE power management inhibition)"},
          ""}},
        {"KDE: a list sent as its interface file describes it",
         [&] { kde->Method(Kde, "ListInhibitions", "", "a{ss}", "ret = {'vlc': 'Playing'}"); },
         nothing,
         {{"\"vlc\": Playing (KDE power management inhibition)"}, ""}},
        {"KDE: a list that cannot be read leaves the holder unnamed",
         [&] { kde->Method(Kde, "ListInhibitions", "", "as", "ret = ['vlc']"); },
         nothing,
         {{"a program (org.kde.Solid.PowerManagement.PolicyAgent: HasInhibition)"}, ""}},
        {"KDE: nothing held", [&] { kde->Method(Kde, "HasInhibition", "u", "b", "ret = False"); },
         nothing, nothing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.change();
        EXPECT_EQ(Of(gnome.Ask()), c.gnome);
        EXPECT_EQ(Of(power.Ask()), c.power);
    }
    // No session bus at all: nobody to ask.
    EXPECT_EQ(Of(GnomeSessionHolds("unix:path=/nonexistent/bus").Ask()), nothing);
    EXPECT_EQ(Of(PowerManagementHolds("").Ask()), nothing);
}

// The wait itself (signals heard, timers held) is the shared bus client's,
// walked in LogindSessionsTest; here the desktop's own budget and words.
TEST(DesktopHolds, ASilentDesktopHoldsNothingWithinHalfASecond) {
    PrivateBus bus;
    auto session = GnomeSession(bus);
    session->Call(Gnome, "Inhibit", {"org.gnome.Totem", 0u, "Playing a film", 8u});
    GnomeSessionHolds gnome(bus.Address().toStdString());
    ASSERT_EQ(gnome.Ask().holders.size(), 1u);
    session->Freeze(true);
    QElapsedTimer clock;
    clock.start();
    const Said said = Of(gnome.Ask());
    const qint64 took = clock.elapsed();
    EXPECT_EQ(said, Said({}, "org.gnome.SessionManager did not answer IsInhibited within 0.5 s"));
    EXPECT_GE(took, 500);
    EXPECT_LT(took, 5000);
    // Awake again, the next question gets through on a new connection.
    session->Freeze(false);
    EXPECT_EQ(gnome.Ask().holders.size(), 1u);
}

}  // namespace
}  // namespace dormix::testing
