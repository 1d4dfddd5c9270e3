#pragma once
// The fixed layout of the event log's lines.

#include <cstdint>
#include <string>
#include <string_view>

#include "log/Clock.h"

namespace dormix::log {

inline constexpr std::size_t FieldWidth = 10;
inline constexpr std::size_t CountWidth = 4;

// "dd-mmm-yy hh:mm:ss"
std::string FormatTimeStamp(const LocalTime& time);
// The word followed by blanks, cut to `width` characters.
std::string FitField(std::string_view word, std::size_t width = FieldWidth);
// The count right-aligned in four characters; longer numbers keep their last four.
std::string FormatCount(std::int16_t count);
std::string FormatEntry(const LocalTime& time, std::string_view action, std::string_view detail,
                        bool testMark, std::int16_t count);
std::string CreationHeader(const LocalTime& time);
std::string StartBanner();

}  // namespace dormix::log
