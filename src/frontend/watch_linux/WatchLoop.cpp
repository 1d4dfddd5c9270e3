#include "frontend/watch_linux/WatchLoop.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/linux/log/StderrReport.h"

namespace dormix::watch_linux {

namespace {

using std::chrono::milliseconds;

std::int64_t NowMs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

}  // namespace

void WatchShell::StartRefreshTimer() {
    ticking_ = true;
    const std::int64_t now = NowMs();
    nextMs_ = now + cadence_.Start(now);
}

std::optional<milliseconds> WatchShell::UntilTick() const {
    if (!ticking_) return std::nullopt;
    return milliseconds(std::max<std::int64_t>(nextMs_ - NowMs(), 0));
}

void WatchShell::Ticked() {
    const std::int64_t now = NowMs();
    nextMs_ = now + cadence_.Next(now);
}

void WatchShell::MessageBox(std::string_view text, std::string_view title, ui::MessageIcon icon) {
    // A warning's box always follows its failure, which the system log has
    // already put on stderr and in the journal.
    if (icon == ui::MessageIcon::Warning) return;
    std::fputs(linux_log::StderrLine(name_, title, text).c_str(), stderr);
}

void WatchShell::EndProcess(bool failed) {
    std::fflush(nullptr);
    ::_exit(failed ? 1 : 0);
}

int OpenStopSignals() {
    sigset_t stop;
    sigemptyset(&stop);
    for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&stop, s);
    if (::sigprocmask(SIG_BLOCK, &stop, nullptr) < 0) return -1;
    const int fd = ::signalfd(-1, &stop, SFD_CLOEXEC | SFD_NONBLOCK);
    if (fd < 0) ::sigprocmask(SIG_UNBLOCK, &stop, nullptr);
    return fd;
}

void RunWatch(watch::Watch& watch, WatchShell& shell, LogindLogons& logons, int stopFd,
              const std::function<void()>& afterTick, const std::function<void()>& onReload) {
    for (;;) {
        const auto now = LogindLogons::Clock::now();
        milliseconds wait = logons.Due(now);
        if (const auto tick = shell.UntilTick()) wait = std::min(wait, *tick);
        pollfd fds[2] = {{stopFd, POLLIN, 0}, {logons.Fd(), logons.Events(), 0}};
        // An hour at most: poll() takes an int, and nothing is lost by waking.
        const int timeout = int(std::min<std::int64_t>(wait.count(), 3600000));
        if (::poll(fds, 2, timeout) < 0 && errno != EINTR) {
            std::perror("poll");
            std::exit(1);
        }
        if (fds[0].revents & POLLIN) {
            signalfd_siginfo info{};
            // SIGHUP is a service's "read your settings again", never a stop:
            // systemd would not restart a watch that ended in order.
            if (::read(stopFd, &info, sizeof info) == ssize_t(sizeof info) &&
                info.ssi_signo == SIGHUP && onReload)
                onReload();
            else
                watch.OnStop();
        }
        logons.Process(LogindLogons::Clock::now());
        if (const auto tick = shell.UntilTick(); tick && tick->count() == 0) {
            shell.Ticked();
            watch.OnTick();
            if (afterTick) afterTick();
        }
    }
}

}  // namespace dormix::watch_linux
