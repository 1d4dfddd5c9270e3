#include "platform/linux/log/LocalClock.h"

#include <ctime>

namespace dormix::linux_log {

log::LocalTime LocalClock::Now() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char month[32] = {};
    // %b follows LC_TIME, which the program has set from the environment.
    std::strftime(month, sizeof month, "%b", &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, month};
}

}  // namespace dormix::linux_log
