#pragma once
// The values an administrator may set for every user of a machine: the
// idle limit, the countdown's length and how long a hold may postpone it. They are read once at
// start from where the platform keeps machine policy (a SettingsSource); a value that is malformed,
// out of range or of the wrong type is passed over with a warning, so a bad value never makes the
// program switch off sooner than what was there before it.

#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "log/SystemLog.h"
#include "monitor/CycleLimits.h"

namespace dormix::settings {

// One setting: its name in files and in the registry, and its bounds. The
// upper bounds of the two counts keep the log's four-digit count wide
// enough; the hold cap is counted apart from the log's count.
struct SettingInfo {
    std::string_view name;
    std::int32_t lowest, highest;
    std::int16_t monitor::CycleLimits::*count = nullptr;
    std::int32_t monitor::CycleLimits::*wide = nullptr;

    std::int32_t Get(const monitor::CycleLimits& limits) const {
        return count ? limits.*count : limits.*wide;
    }
    void Set(monitor::CycleLimits& limits, std::int32_t value) const {
        if (count)
            limits.*count = static_cast<std::int16_t>(value);
        else
            limits.*wide = value;
    }
};
inline constexpr SettingInfo Table[] = {
    {"IdleLimitSeconds", 60, 9999, &monitor::CycleLimits::IdleLimit},
    {"CountdownSeconds", 10, 600, &monitor::CycleLimits::CountdownLength},
    {"HoldLimitSeconds", 0, 86400, nullptr, &monitor::CycleLimits::HoldLimit},
};

// A value as the platform found it.
struct Found {
    std::string name;
    std::string value;  // as written: a file's text, a DWORD in decimal, a REG_SZ's text
    std::string where;  // the file or the registry key
    int line = 0;       // a file's line; 0 in the registry
    // What the registry holds where a REG_DWORD belongs, said whole:
    // `REG_SZ "1800", not REG_DWORD`, `a REG_DWORD of 5 bytes, not 4`.
    std::string wrongType;
};

// Everything read, in order: a later value of a setting overrides an earlier one.
struct Reading {
    std::vector<Found> values;
    std::vector<std::string> problems;  // files passed over, lines that are no key=value
    // The place an administrator keeps them exists (the folder, the policy
    // key), whatever it holds now.
    bool placeExists = false;
};

class SettingsSource {
  public:
    virtual ~SettingsSource() = default;
    virtual Reading Read() = 0;
};

// The settings in force, each with where it came from.
struct Effective {
    monitor::CycleLimits limits;
    std::string sources[std::size(Table)];  // empty: the default
    std::vector<std::string> warnings;      // one line each, without the program's name
    bool placeExists = false;               // as read
    bool AnySet() const;
};

// A value as a warning quotes it: a runaway line is cut.
std::string Quoted(std::string_view value);

// Why `value` cannot be `info`'s number of seconds, naming it `name`
// ("IdleLimitSeconds=2min is not a whole number of seconds"); empty when it
// can, with the number in `seconds`. The installer checks its properties so.
std::string CheckSeconds(const SettingInfo& info, std::string_view name, std::string_view value,
                         std::int32_t& seconds);

// The `key=value` lines of a configuration file into `into`. Blank lines
// and lines starting with # or ; are comments; blanks around key and value
// do not count.
void ParseConfText(std::string_view text, std::string_view path, Reading& into);

// The values in force after everything read, and a warning for each one passed over.
Effective Resolve(const Reading& reading);
inline Effective Load(SettingsSource& source) { return Resolve(source.Read()); }

// "IdleLimitSeconds=1800 (/etc/dormix-lite/conf.d/50-lab.conf, line 2)", one line a setting.
std::string Describe(const Effective& effective);

// At start: each warning to the system log, then one entry naming the
// settings in force when any was set or the administrator's place exists:
// a file that went missing still shows what runs instead.
void Announce(const Effective& effective, log::SystemLog& systemLog);

}  // namespace dormix::settings
