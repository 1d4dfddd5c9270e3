#include "report/Calendar.h"

#include <cstdio>

namespace dormix::report {
namespace {

bool Number(std::string_view s, int& v) {
    if (s.empty()) return false;
    v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    return true;
}

}  // namespace

Date DateOf(std::int32_t z) {
    z += 719468;
    const int era = (z >= 0 ? z : z - 146096) / 146097;
    const int doe = z - era * 146097;
    const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int mp = (5 * doy + 2) / 153;
    const int d = doy - (153 * mp + 2) / 5 + 1;
    const int m = mp < 10 ? mp + 3 : mp - 9;
    return {yoe + era * 400 + (m <= 2), m, d};
}

std::string IsoDate(std::int32_t dayNumber) {
    const Date d = DateOf(dayNumber);
    char out[16];
    std::snprintf(out, sizeof out, "%04d-%02d-%02d", d.year % 10000, d.month, d.day);
    return out;
}

bool ParseIsoDate(std::string_view s, std::int32_t& dayNumber) {
    int y, m, d;
    if (s.size() != 10 || s[4] != '-' || s[7] != '-' || !Number(s.substr(0, 4), y) ||
        !Number(s.substr(5, 2), m) || !Number(s.substr(8, 2), d) || m < 1 || m > 12 || d < 1)
        return false;
    dayNumber = DayNumber(y, m, d);
    return DateOf(dayNumber).day == d;  // 2026-02-30 comes back as March
}

bool ParseIsoTime(std::string_view s, std::int64_t& seconds) {
    std::int32_t day;
    int h, mi, se;
    if (s.size() < 20 || s[10] != 'T' || s[13] != ':' || s[16] != ':' ||
        !ParseIsoDate(s.substr(0, 10), day) || !Number(s.substr(11, 2), h) ||
        !Number(s.substr(14, 2), mi) || !Number(s.substr(17, 2), se) || h > 23 || mi > 59 ||
        se > 60)
        return false;
    std::size_t i = 19;
    if (s[i] == '.') {
        ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
    }
    std::int64_t offset = 0;
    const std::string_view zone = s.substr(i);
    if (zone.size() == 6 && (zone[0] == '+' || zone[0] == '-') && zone[3] == ':') {
        int zh, zm;
        if (!Number(zone.substr(1, 2), zh) || !Number(zone.substr(4, 2), zm)) return false;
        offset = (zh * 3600 + zm * 60) * (zone[0] == '+' ? 1 : -1);
    } else if (zone != "Z") {
        return false;
    }
    seconds = std::int64_t(day) * 86400 + h * 3600 + mi * 60 + se - offset;
    return true;
}

}  // namespace dormix::report
