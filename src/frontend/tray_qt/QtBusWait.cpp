#include "frontend/tray_qt/QtBusWait.h"

#include <poll.h>

#include <QCoreApplication>
#include <algorithm>
#include <cerrno>

namespace dormix::tray_qt {

namespace {

using std::chrono::ceil;
using std::chrono::microseconds;
using std::chrono::milliseconds;

// The longest the loop waits when it cannot watch the bus itself.
constexpr microseconds Slice = milliseconds(50);

}  // namespace

int QtBusWait::Wait(int fd, short events, microseconds wait, bool holdTimers) {
    const bool loop = QCoreApplication::instance() != nullptr;
    // With timers held nothing would wake the loop at the deadline, so the
    // bus is polled here in short slices instead, the loop turned between.
    if (!loop || fd < 0 || holdTimers) {
        pollfd bus{fd, events, 0};
        const microseconds slice = loop ? std::min(wait, Slice) : wait;
        if (::poll(&bus, fd < 0 ? 0 : 1, int(ceil<milliseconds>(slice).count())) < 0) return -errno;
        if (loop)
            QCoreApplication::processEvents(holdTimers ? QEventLoop::ExcludeUserInputEvents |
                                                             QEventLoop::X11ExcludeTimers
                                                       : QEventLoop::ExcludeUserInputEvents);
        return 0;
    }
    if (fd != fd_) {
        fd_ = fd;
        readable_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        writable_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
        wake_.setSingleShot(true);
    }
    readable_->setEnabled(events & POLLIN);
    writable_->setEnabled(events & POLLOUT);
    wake_.start(int(std::min<std::int64_t>(ceil<milliseconds>(wait).count(), 60000)));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents |
                                    QEventLoop::ExcludeUserInputEvents);
    readable_->setEnabled(false);
    writable_->setEnabled(false);
    wake_.stop();
    return 0;
}

}  // namespace dormix::tray_qt
