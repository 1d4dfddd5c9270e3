#include "frontend/tray_qt/Priority.h"

#include <sys/resource.h>

#include <algorithm>
#include <cerrno>

namespace dormix::tray_qt {

namespace {
constexpr int HighNice = -10;
}

int RaisePriority() {
    errno = 0;
    const int current = ::getpriority(PRIO_PROCESS, 0);
    if (current == -1 && errno != 0) return 0;
    // RLIMIT_NICE lets an unprivileged user go down to 20 - limit; root may
    // go anywhere. Asking for more than allowed would fail outright.
    int floor = HighNice;
    rlimit limit{};
    if (::getrlimit(RLIMIT_NICE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        floor = std::max(HighNice, 20 - int(std::min<rlim_t>(limit.rlim_cur, 40)));
    // On Linux PRIO_PROCESS with 0 is the calling thread: the one that runs
    // the cycle. Qt's helper threads keep their own value.
    if (floor < current) ::setpriority(PRIO_PROCESS, 0, floor);
    errno = 0;
    const int after = ::getpriority(PRIO_PROCESS, 0);
    return (after == -1 && errno != 0) ? current : after;
}

}  // namespace dormix::tray_qt
