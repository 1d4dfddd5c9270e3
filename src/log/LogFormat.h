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

namespace dormix::log {

// The reading side of the layout above, for programs that read many
// machines' logs. The fields are found from the end of the line: the 36
// characters after the stamp never change, while the stamp's month is as
// long as the writer's locale made it.
inline constexpr std::size_t FieldsLength = 36;

// The month's number (1..12) from its abbreviation as the locales the log is
// written in spell it (English, French, German, Japanese; UTF-8, or the
// Windows code page of that language), 0 when it is none of them.
int MonthNumber(std::string_view abbreviation);
// "dd-mmm-yy hh:mm:ss"; false when the text is not such a stamp.
bool ParseTimeStamp(std::string_view stamp, LocalTime& time);

struct ParsedEntry {
    LocalTime time;  // monthAbbreviation left empty
    std::string_view action, detail;
    bool testMark = false;
    int count = 0;
};
// One line as FormatEntry writes it, without its CR LF; false when the line
// is not one (the words are checked against the log's vocabulary). The
// words point into `line`.
bool ParseEntry(std::string_view line, ParsedEntry& entry);
// The lines of CreationHeader and StartBanner, empty lines included.
bool IsHeaderLine(std::string_view line);

}  // namespace dormix::log
