#include "platform/win32/log/LocalClock.h"

namespace dormix::win32_log {

log::LocalTime ToLocalTime(const SYSTEMTIME& st) {
    log::LocalTime t;
    t.year = st.wYear;
    t.month = st.wMonth;
    t.day = st.wDay;
    t.hour = st.wHour;
    t.minute = st.wMinute;
    t.second = st.wSecond;
    // "MMM" is the locale's own abbreviation, as the log has always used.
    char month[32] = {};
    if (GetDateFormatA(LOCALE_USER_DEFAULT, 0, &st, "MMM", month, sizeof month) > 0)
        t.monthAbbreviation = month;
    return t;
}

log::LocalTime LocalClock::Now() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return ToLocalTime(st);
}

}  // namespace dormix::win32_log
