#include "monitor/Schedule.h"

namespace dormix::monitor {

namespace {

bool StartsOn(const ScheduleWindow& w, int weekday) { return (w.days >> weekday) & 1; }

bool InForce(const ScheduleWindow& w, int weekday, int minute) {
    if (w.start < w.end) return StartsOn(w, weekday) && minute >= w.start && minute < w.end;
    // Past midnight: the evening of a day it starts on, or the morning after.
    return (StartsOn(w, weekday) && minute >= w.start) ||
           (StartsOn(w, (weekday + 6) % 7) && minute < w.end);
}

}  // namespace

int WindowInForce(const std::vector<ScheduleWindow>& windows, int weekday, int minute) {
    for (std::size_t i = 0; i < windows.size(); ++i)
        if (InForce(windows[i], weekday, minute)) return int(i);
    return -1;
}

}  // namespace dormix::monitor
