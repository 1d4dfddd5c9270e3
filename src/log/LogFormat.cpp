#include "log/LogFormat.h"

#include <cstdio>
#include <initializer_list>

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
    out += text::Fill(text::VersionLine, {text::VersionNumber});
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
    out += text::Fill(text::VersionLine, {text::VersionNumber});
    out += text::LineBreak;
    return out;
}

}  // namespace dormix::log

namespace dormix::log {
namespace {

struct MonthName {
    std::string_view name;
    int month;
};
// As glibc's %b and Windows' "MMM" write them, in UTF-8 and in the language's
// Windows code page (1252 for French and German).
constexpr MonthName MonthNames[] = {
    {"Jan", 1},
    {"Feb", 2},
    {"Mar", 3},
    {"Apr", 4},
    {"May", 5},
    {"Jun", 6},
    {"Jul", 7},
    {"Aug", 8},
    {"Sep", 9},
    {"Oct", 10},
    {"Nov", 11},
    {"Dec", 12},
    {"janv.", 1},
    {"f\xC3\xA9vr.", 2},
    {"f\xE9vr.", 2},
    {"mars", 3},
    {"avril", 4},
    {"avr.", 4},
    {"mai", 5},
    {"juin", 6},
    {"juil.", 7},
    {"ao\xC3\xBBt", 8},
    {"ao\xFBt", 8},
    {"sept.", 9},
    {"oct.", 10},
    {"nov.", 11},
    {"d\xC3\xA9"
     "c.",
     12},
    {"d\xE9"
     "c.",
     12},
    {"M\xC3\xA4r", 3},
    {"M\xE4r", 3},
    {"Mrz", 3},
    {"Okt", 10},
    {"Dez", 12},
};
// 月 in UTF-8 and in code page 932, after the month's number.
constexpr std::string_view MonthSuffixes[] = {"\xE6\x9C\x88", "\x8C\x8E"};

bool SameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

bool Digits(std::string_view text, int& value) {
    if (text.empty()) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

bool KnownWord(std::string_view word, std::initializer_list<std::string_view> words) {
    for (std::string_view w : words)
        if (w == word) return true;
    return false;
}

int DaysIn(int month, int year) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && year % 4 == 0) return 29;
    return days[month - 1];
}

}  // namespace

int MonthNumber(std::string_view abbreviation) {
    const std::string_view name = Trimmed(abbreviation);
    for (std::string_view suffix : MonthSuffixes) {
        int n = 0;
        if (name.size() > suffix.size() && name.substr(name.size() - suffix.size()) == suffix &&
            Digits(name.substr(0, name.size() - suffix.size()), n) && n >= 1 && n <= 12)
            return n;
    }
    for (const MonthName& m : MonthNames)
        if (SameLetters(m.name, name)) return m.month;
    return 0;
}

bool ParseTimeStamp(std::string_view s, LocalTime& t) {
    // "dd-" month "-yy hh:mm:ss": the month is whatever stands between.
    constexpr std::size_t tail = 12;
    if (s.size() < 3 + 1 + tail || s[2] != '-') return false;
    const std::size_t end = s.size() - tail;
    if (s[end] != '-' || s[end + 3] != ' ' || s[end + 6] != ':' || s[end + 9] != ':') return false;
    int yy = 0;
    if (!Digits(s.substr(0, 2), t.day) || !Digits(s.substr(end + 1, 2), yy) ||
        !Digits(s.substr(end + 4, 2), t.hour) || !Digits(s.substr(end + 7, 2), t.minute) ||
        !Digits(s.substr(end + 10, 2), t.second))
        return false;
    t.month = MonthNumber(s.substr(3, end - 3));
    t.year = 2000 + yy;
    return t.month != 0 && t.day >= 1 && t.day <= DaysIn(t.month, t.year) && t.hour < 24 &&
           t.minute < 60 && t.second < 60;
}

bool ParseEntry(std::string_view line, ParsedEntry& e) {
    if (line.size() < FieldsLength + 16) return false;
    const std::string_view f = line.substr(line.size() - FieldsLength);
    const std::size_t detailAt = text::LogFieldSeparator.size() + FieldWidth;
    const std::size_t countAt = detailAt + text::LogFieldSeparator.size() + FieldWidth;
    if (f.substr(0, text::LogFieldSeparator.size()) != text::LogFieldSeparator ||
        f.substr(detailAt, text::LogFieldSeparator.size()) != text::LogFieldSeparator ||
        f.substr(countAt, text::LogCountLabel.size()) != text::LogCountLabel)
        return false;
    const std::string_view marked = f.substr(text::LogFieldSeparator.size(), FieldWidth);
    if (marked[0] != ' ' && marked[0] != '*') return false;
    e.testMark = marked[0] == '*';
    e.action = Trimmed(marked.substr(1));
    e.detail = Trimmed(f.substr(detailAt + text::LogFieldSeparator.size(), FieldWidth));
    using namespace text;
    const auto [off, hibernate, sleep] = ActionWords;
    if (!KnownWord(e.action, {LogStart, LogEnter, LogSimulate, off, hibernate, sleep, LogClose,
                              LogReset, LogExit, LogWait, LogExpire, LogRefuse, LogWake}) ||
        !KnownWord(e.detail, {LogInitialise, LogRun, LogTest, off, hibernate, sleep, LogSimulate,
                              LogActivate, LogShutdown, LogOtherUser, LogHeld, LogHold, LogLocked}))
        return false;
    std::string_view count = Trimmed(f.substr(countAt + LogCountLabel.size()));
    const bool negative = !count.empty() && count[0] == '-';
    if (negative) count.remove_prefix(1);
    if (!Digits(count, e.count)) return false;
    if (negative) e.count = -e.count;
    return ParseTimeStamp(line.substr(0, line.size() - FieldsLength), e.time);
}

bool IsHeaderLine(std::string_view line) {
    LocalTime t;
    return line.empty() || line == text::ProductTitle || line == text::LogFileCreated ||
           (line.substr(0, text::Piece(text::VersionLine, 0).size()) ==
                text::Piece(text::VersionLine, 0) &&
            line.size() < 32) ||
           ParseTimeStamp(line, t);
}

}  // namespace dormix::log
