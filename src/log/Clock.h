#pragma once

#include <string>

namespace dormix::log {

struct LocalTime {
    int year = 2000, month = 1, day = 1;  // month 1..12
    int hour = 0, minute = 0, second = 0;
    std::string monthAbbreviation;  // as the user's locale spells it
};

class Clock {
  public:
    virtual ~Clock() = default;
    virtual LocalTime Now() = 0;
};

}  // namespace dormix::log
