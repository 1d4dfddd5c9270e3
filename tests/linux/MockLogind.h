#pragma once
// A private D-Bus bus with python-dbusmock's logind template on it, standing
// in for the system bus: the program's logind calls go there for real.

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QVariantList>
#include <memory>

namespace dormix::testing {

class PrivateBus {
  public:
    PrivateBus();
    ~PrivateBus();
    const QString& Address() const { return address_; }
    QDBusConnection Connection() const;  // our own connection to it
    // How many connections it has now. A question's must be gone once it is
    // answered: any local account may flood an open one.
    int Connections() const;
    // Stops or resumes the daemon: a bus that takes connections and answers
    // nothing, not even the greeting.
    void Freeze(bool frozen);

  private:
    QProcess daemon_;
    QString address_, name_;
};

// logind_sessions.py: sessions a test opens and changes.
extern const QString SessionsTemplate;

class MockLogind {
  public:
    // `parameters`: the template's JSON parameters, e.g. {"CanPowerOff": "no"}.
    // `templateName`: dbusmock's own, or the path of the tests' template
    // with sessions (SessionsTemplate).
    explicit MockLogind(PrivateBus& bus, const QString& parameters = "{}",
                        const QString& templateName = "logind");
    ~MockLogind();

    // Calls a method of the mock's own interface, e.g. the sessions
    // template's OpenSession; a failure fails the test.
    void Mock(const QString& method, const QVariantList& args);
    // Replaces or adds a method on the logind manager (dbusmock's AddMethod).
    void AddMethod(const QString& name, const QString& inSig, const QString& code = "",
                   const QString& outSig = "");
    // The arguments of every call of `method` so far.
    QList<QVariantList> Calls(const QString& method);
    // A shutdown inhibitor taken from this process; held until the fd closes.
    int Inhibit(const QString& what, const QString& who, const QString& why, const QString& mode);
    // How many inhibitors the mock lists, once it has seen dropped ones go.
    int InhibitorsSettledAt(int expected);
    // Stops or resumes the mock (SIGSTOP, SIGCONT): a logind that hangs.
    void Freeze(bool frozen);

  private:
    PrivateBus& bus_;
    QProcess mock_;
};

}  // namespace dormix::testing
