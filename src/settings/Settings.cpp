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

std::string Check(const Found& f, const SettingInfo& info, std::int32_t& seconds) {
    if (!f.wrongType.empty()) return f.name + " is " + f.wrongType;
    return CheckSeconds(info, f.name, f.value, seconds);
}

}  // namespace

std::string Quoted(std::string_view value) {
    constexpr std::size_t Longest = 40;
    if (value.size() <= Longest) return std::string(value);
    return std::string(value.substr(0, Longest)) + "...";
}

std::string CheckSeconds(const SettingInfo& info, std::string_view name, std::string_view value,
                         std::int32_t& seconds) {
    const std::string shown = std::string(name) + "=" + Quoted(value);
    if (value.empty()) return std::string(name) + " has no value";
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

bool Effective::AnySet() const {
    return std::any_of(std::begin(sources), std::end(sources),
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

std::string Describe(const Effective& effective) {
    std::string out;
    for (std::size_t i = 0; i < std::size(Table); ++i) {
        out.append(Table[i].name).append("=");
        out.append(std::to_string(Table[i].Get(effective.limits)));
        out.append(" (").append(effective.sources[i].empty() ? "default" : effective.sources[i]);
        out.append(")\n");
    }
    return out;
}

void Announce(const Effective& effective, log::SystemLog& systemLog) {
    const std::string title = std::string(text::ProductTitle) + std::string(text::SettingsTitle);
    for (const std::string& warning : effective.warnings)
        systemLog.Failure({log::SystemEvent::SettingIgnored, title, warning, 0, {}});
    if (!effective.AnySet() && !effective.placeExists) return;
    // A failure's lines end in CR LF, as in a message box.
    std::string lines;
    for (char ch : Describe(effective)) {
        if (ch == '\n') lines += '\r';
        lines += ch;
    }
    lines.resize(lines.size() - 2);
    systemLog.Failure({log::SystemEvent::SettingsInForce, title, lines, 0, {}});
}

}  // namespace dormix::settings
