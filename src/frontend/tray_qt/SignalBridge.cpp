#include "frontend/tray_qt/SignalBridge.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <csignal>

namespace dormix::tray_qt {

namespace {

// A signal handler may do almost nothing: it writes the signal's number into
// a pipe, and the event loop reads it on the user-interface thread. Without
// a pipe (no descriptor left) it raises a flag that a timer looks at.
int pipeFds[2] = {-1, -1};
volatile std::sig_atomic_t raised = 0;
constexpr int FlagPollMs = 100;

void OnSignal(int number) {
    if (pipeFds[1] < 0) {
        raised = 1;
        return;
    }
    const int saved = errno;
    const char byte = char(number);
    [[maybe_unused]] const auto n = ::write(pipeFds[1], &byte, 1);
    errno = saved;
}

}  // namespace

void IgnoreHarmlessSignals() {
    // A closed stderr (a pipe whose reader left) must not end the program,
    // and a file-size limit makes the log's write fail instead of killing
    // the process: the log then reports it and takes the half line back.
    ::signal(SIGPIPE, SIG_IGN);
    ::signal(SIGXFSZ, SIG_IGN);
}

SignalBridge::SignalBridge(std::function<void()> onEnd) : onEnd_(std::move(onEnd)) {
    if (pipeFds[0] >= 0 || ::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) == 0) {
        notifier_ = std::make_unique<QSocketNotifier>(pipeFds[0], QSocketNotifier::Read);
        connect(notifier_.get(), &QSocketNotifier::activated, this, &SignalBridge::Drain);
    } else {
        pipeFds[0] = pipeFds[1] = -1;
        poll_ = std::make_unique<QTimer>();
        connect(poll_.get(), &QTimer::timeout, this, &SignalBridge::Drain);
        poll_->start(FlagPollMs);
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(number, &action, nullptr);
    // The session manager's "die" at the end of the session makes Qt leave
    // its event loop, which nothing else in this program does: close in
    // order then, as on WM_ENDSESSION. (Its "save yourself" comes at
    // checkpoints too, so it is no sign of the end.)
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
            [this] { onEnd_(); });
}

SignalBridge::~SignalBridge() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    for (int number : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(number, &action, nullptr);
}

bool SignalBridge::UsesPipe() const { return notifier_ != nullptr; }

void SignalBridge::Drain() {
    bool any = false;
    char bytes[16];
    if (pipeFds[0] >= 0) {
        while (::read(pipeFds[0], bytes, sizeof bytes) > 0) any = true;
    } else if (raised) {
        raised = 0;
        any = true;
    }
    if (any) onEnd_();
}

}  // namespace dormix::tray_qt
