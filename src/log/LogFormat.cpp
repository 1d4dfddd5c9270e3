#include "log/LogFormat.h"

#include <cstdio>

#include "ui/Texts.h"

namespace dormix::log {
namespace {

std::string TwoDigits(int value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02d", value % 100);
    return buffer;
}

}  // namespace

std::string FormatTimeStamp(const LocalTime& t) {
    std::string out;
    out.reserve(18);
    out += TwoDigits(t.day);
    out += '-';
    out += t.monthAbbreviation;
    out += '-';
    out += TwoDigits(t.year);
    out += ' ';
    out += TwoDigits(t.hour);
    out += ':';
    out += TwoDigits(t.minute);
    out += ':';
    out += TwoDigits(t.second);
    return out;
}

std::string FitField(std::string_view word, std::size_t width) {
    std::string out(word.substr(0, width));
    out.resize(width, ' ');
    return out;
}

std::string FormatCount(std::int16_t count) {
    std::string out = "   " + std::to_string(count);
    return out.substr(out.size() - CountWidth);
}

std::string FormatEntry(const LocalTime& time, std::string_view action, std::string_view detail,
                        bool testMark, std::int16_t count) {
    std::string marked(testMark ? "*" : " ");
    marked += action;
    std::string line = FormatTimeStamp(time);
    line += text::LogFieldSeparator;
    line += FitField(marked);
    line += text::LogFieldSeparator;
    line += FitField(detail);
    line += text::LogCountLabel;
    line += FormatCount(count);
    return line;
}

std::string CreationHeader(const LocalTime& time) {
    std::string out(text::ProductTitle);
    out += text::LineBreak;
    out += text::VersionPrefix;
    out += text::VersionNumber;
    out += text::LineBreak;
    out += text::LogFileCreated;
    out += text::LineBreak;
    out += FormatTimeStamp(time);
    return out;
}

std::string StartBanner() {
    std::string out;
    out += text::LineBreak;
    out += text::LineBreak;
    out += text::ProductTitle;
    out += text::LineBreak;
    out += text::VersionPrefix;
    out += text::VersionNumber;
    out += text::LineBreak;
    return out;
}

}  // namespace dormix::log
