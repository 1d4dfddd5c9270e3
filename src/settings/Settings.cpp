#include "settings/Settings.h"

#include <algorithm>
#include <charconv>

#include "ui/Texts.h"

namespace dormix::settings {

namespace {

constexpr std::string_view Blanks = " \t\r";

std::string_view Trimmed(std::string_view s) {
    const auto first = s.find_first_not_of(Blanks);
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(Blanks) - first + 1);
}

std::string Place(const Found& f) {
    if (f.line == 0) return f.where;
    return f.where + ", line " + std::to_string(f.line);
}

const SettingInfo* Lookup(std::string_view name) {
    for (const auto& info : Table)
        if (info.name == name) return &info;
    return nullptr;
}

std::string Check(const Found& f, const SettingInfo& info, std::int32_t& number) {
    if (!f.wrongType.empty()) return f.name + " is " + f.wrongType;
    return CheckValue(info, f.name, f.value, number);
}

// One line of the schedule added to `out`, or the warning why not.
void AddWindow(const Found& f, Effective& out) {
    auto passOver = [&](const std::string& why) {
        out.warnings.push_back(Place(f) + ": " + why + "; ignored.");
    };
    if (!f.wrongType.empty()) return passOver(f.name + " is " + f.wrongType);
    const std::string shown = f.name + "=" + Quoted(f.value);
    if (f.value.empty()) return passOver(f.name + " has no value");
    monitor::ScheduleWindow window;
    std::string note;
    if (std::string why = ReadWindow(f.value, window, &note); !why.empty())
        return passOver(shown + ": " + why);
    if (out.limits.Schedule.size() == monitor::MostWindows)
        return passOver(shown + " is one window more than the " +
                        std::to_string(monitor::MostWindows) + " a schedule holds");
    if (!note.empty()) out.warnings.push_back(Place(f) + ": " + shown + ": " + note + ".");
    window.text = f.value;
    window.where = Place(f);
    out.limits.Schedule.push_back(std::move(window));
}

constexpr std::string_view DayNames[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

std::string TwoDigits(int n) { return {char('0' + n / 10), char('0' + n % 10)}; }

// "In force now (Wed 14:05): Mon-Fri 08:00-18:00 3600 (where)".
std::string InForceNow(const monitor::CycleLimits& limits, const log::LocalTime& now) {
    const int weekday = monitor::Weekday(now.year, now.month, now.day);
    std::string out = "In force now (" + std::string(DayNames[weekday]) + " " +
                      TwoDigits(now.hour) + ":" + TwoDigits(now.minute) + "): ";
    const int window = monitor::WindowInForce(limits.Schedule, weekday, now.hour * 60 + now.minute);
    if (window < 0)
        return out + std::string(Table[0].name) + "=" + std::to_string(limits.IdleLimit) +
               ", outside every window";
    const monitor::ScheduleWindow& w = limits.Schedule[window];
    return out + w.text + " (" + w.where + ")";
}

}  // namespace

std::string Quoted(std::string_view value) {
    constexpr std::size_t Longest = 40;
    if (value.size() <= Longest) return std::string(value);
    return std::string(value.substr(0, Longest)) + "...";
}

std::string CheckValue(const SettingInfo& info, std::string_view name, std::string_view value,
                       std::int32_t& seconds) {
    const std::string shown = std::string(name) + "=" + Quoted(value);
    if (value.empty()) return std::string(name) + " has no value";
    if (info.flag) {
        if (value != "0" && value != "1") return shown + " is neither 1 nor 0";
        seconds = value == "1";
        return {};
    }
    // Digits only: no sign, no unit, no fraction.
    if (value.find_first_not_of("0123456789") != std::string_view::npos)
        return shown + " is not a whole number of seconds";
    const std::string_view digits =
        value.substr(std::min(value.find_first_not_of('0'), value.size() - 1));
    long number = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (ec != std::errc() || end != digits.data() + digits.size() || number < info.lowest ||
        number > info.highest)
        return shown + " is out of range (" + std::to_string(info.lowest) + "-" +
               std::to_string(info.highest) + " s)";
    seconds = static_cast<std::int32_t>(number);
    return {};
}

std::string CheckAction(std::string_view name, std::string_view value, power::EndAction& action) {
    auto same = [](std::string_view a, std::string_view b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
            auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
            return lower(x) == lower(y);
        });
    };
    if (value.empty()) return std::string(name) + " has no value";
    std::string words;
    for (std::size_t i = 0; i < std::size(text::ActionSettingWords); ++i) {
        if (same(value, text::ActionSettingWords[i])) {
            action = static_cast<power::EndAction>(i);
            return {};
        }
        words.append(i ? ", " : "").append(text::ActionSettingWords[i]);
    }
    return std::string(name) + "=" + Quoted(value) + " is none of " + words;
}

bool Effective::AnySet() const {
    return !limits.Schedule.empty() || !actionSource.empty() ||
           std::any_of(std::begin(sources), std::end(sources),
                       [](const std::string& s) { return !s.empty(); });
}

void ParseConfText(std::string_view text, std::string_view path, Reading& into) {
    // Some editors start a UTF-8 file with a byte order mark.
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    int number = 0;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = Trimmed(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        ++number;
        if (line.empty() || line[0] == '#' || line[0] == ';') continue;
        const auto equals = line.find('=');
        if (equals == std::string_view::npos) {
            into.problems.push_back(std::string(path) + ", line " + std::to_string(number) +
                                    ": \"" + Quoted(line) + "\" is not key=value; ignored.");
            continue;
        }
        into.values.push_back({std::string(Trimmed(line.substr(0, equals))),
                               std::string(Trimmed(line.substr(equals + 1))),
                               std::string(path),
                               number,
                               {}});
    }
}

Effective Resolve(const Reading& reading) {
    Effective out;
    out.warnings = reading.problems;
    out.placeExists = reading.placeExists;
    for (const Found& f : reading.values) {
        if (f.name == ScheduleName) {
            AddWindow(f, out);
            continue;
        }
        if (f.name == ActionName) {
            std::string why = f.wrongType.empty() ? CheckAction(f.name, f.value, out.limits.Action)
                                                  : f.name + " is " + f.wrongType;
            if (why.empty())
                out.actionSource = Place(f);
            else
                out.warnings.push_back(Place(f) + ": " + why + "; ignored.");
            continue;
        }
        const SettingInfo* info = Lookup(f.name);
        if (!info) {
            out.warnings.push_back(Place(f) + ": unknown setting \"" + Quoted(f.name) +
                                   "\"; ignored.");
            continue;
        }
        std::int32_t seconds = 0;
        if (std::string why = Check(f, *info, seconds); !why.empty()) {
            out.warnings.push_back(Place(f) + ": " + why + "; ignored.");
            continue;
        }
        info->Set(out.limits, seconds);
        out.sources[info - Table] = Place(f);
    }
    return out;
}

std::string Describe(const Effective& effective, const log::LocalTime* now) {
    std::string out;
    for (std::size_t i = 0; i < std::size(Table); ++i) {
        out.append(Table[i].name).append("=");
        out.append(std::to_string(Table[i].Get(effective.limits)));
        out.append(" (").append(effective.sources[i].empty() ? "default" : effective.sources[i]);
        out.append(")\n");
    }
    out.append(ActionName).append("=");
    out.append(text::ActionSettingWords[static_cast<int>(effective.limits.Action)]);
    out.append(" (")
        .append(effective.actionSource.empty() ? "default" : effective.actionSource)
        .append(")\n");
    const auto& windows = effective.limits.Schedule;
    if (windows.empty()) out.append(ScheduleName).append("=none (default)\n");
    for (const monitor::ScheduleWindow& w : windows)
        out.append(ScheduleName).append("=" + w.text + " (" + w.where + ")\n");
    if (now && !windows.empty()) out.append(InForceNow(effective.limits, *now)).append("\n");
    return out;
}

void Announce(const Effective& effective, log::SystemLog& systemLog, log::Clock& clock) {
    const std::string title = text::Fill(text::SettingsTitle, {text::ProductTitle});
    for (const std::string& warning : effective.warnings)
        systemLog.Failure({log::SystemEvent::SettingIgnored, title, warning, 0, {}});
    if (!effective.AnySet() && !effective.placeExists) return;
    // A failure's lines end in CR LF, as in a message box.
    log::LocalTime now;
    if (!effective.limits.Schedule.empty()) now = clock.Now();
    std::string lines;
    for (char ch : Describe(effective, effective.limits.Schedule.empty() ? nullptr : &now)) {
        if (ch == '\n') lines += '\r';
        lines += ch;
    }
    lines.resize(lines.size() - 2);
    systemLog.Failure({log::SystemEvent::SettingsInForce, title, lines, 0, {}});
}

}  // namespace dormix::settings
