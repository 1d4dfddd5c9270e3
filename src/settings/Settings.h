#pragma once
// The values an administrator may set for every user of a machine: the
// idle limit, the countdown's length, how long a hold may postpone it,
// whether the user may end the program, what the countdown ends in (a
// power-off, hibernation or sleep), and a schedule of idle limits by
// the time of the week. They are read once at start from where the
// platform keeps machine policy (a SettingsSource); a value that is
// malformed, out of range or of the wrong type is passed over with a
// warning, so a bad value never makes the program switch off sooner than
// what was there before it.

#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "log/Clock.h"
#include "log/SystemLog.h"
#include "monitor/CycleLimits.h"

namespace dormix::settings {

// One setting of a single number: its name in files and in the registry,
// and its bounds. The upper bounds of the two counts keep the log's
// four-digit count wide enough; the hold cap is counted apart from the
// log's count. A flag is 1 or 0.
struct SettingInfo {
    std::string_view name;
    std::int32_t lowest, highest;
    std::int16_t monitor::CycleLimits::*count = nullptr;
    std::int32_t monitor::CycleLimits::*wide = nullptr;
    bool monitor::CycleLimits::*flag = nullptr;

    std::int32_t Get(const monitor::CycleLimits& limits) const {
        if (flag) return limits.*flag ? 1 : 0;
        return count ? limits.*count : limits.*wide;
    }
    void Set(monitor::CycleLimits& limits, std::int32_t value) const {
        if (flag)
            limits.*flag = value != 0;
        else if (count)
            limits.*count = static_cast<std::int16_t>(value);
        else
            limits.*wide = value;
    }
};
inline constexpr SettingInfo Table[] = {
    {"IdleLimitSeconds", monitor::IdleLimitBounds.least, monitor::IdleLimitBounds.most,
     &monitor::CycleLimits::IdleLimit},
    {"CountdownSeconds", monitor::CountdownBounds.least, monitor::CountdownBounds.most,
     &monitor::CycleLimits::CountdownLength},
    {"HoldLimitSeconds", monitor::HoldLimitBounds.least, monitor::HoldLimitBounds.most, nullptr,
     &monitor::CycleLimits::HoldLimit},
    {"AllowExit", 0, 1, nullptr, nullptr, &monitor::CycleLimits::AllowExit},
};

// The setting of one word: what the countdown ends in, PowerOff (the
// default), Hibernate or Sleep; a REG_SZ in the registry.
inline constexpr std::string_view ActionName = "Action";

// The setting of many lines, one window each: "Mon-Fri 08:00-18:00 3600".
// In files every line adds a window, a later file's after an earlier's; in
// the registry a REG_MULTI_SZ holds them all.
inline constexpr std::string_view ScheduleName = "Schedule";

// A value as the platform found it.
struct Found {
    std::string name;
    std::string
        value;  // as written: a file's text, a DWORD in decimal, one string of a REG_MULTI_SZ
    std::string where;  // the file or the registry key
    int line = 0;       // a file's line, a REG_MULTI_SZ's string; 0 for any other registry value
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

// The settings in force, each with where it came from (the schedule's
// windows carry theirs).
struct Effective {
    monitor::CycleLimits limits;
    std::string sources[std::size(Table)];  // empty: the default
    std::string actionSource;
    std::vector<std::string> warnings;  // one line each, without the program's name
    bool placeExists = false;           // as read
    bool AnySet() const;                // any value, any window
};

// A value as a warning quotes it: a runaway line is cut.
std::string Quoted(std::string_view value);

// Why `value` cannot be `info`'s number, naming it `name` ("IdleLimitSeconds=2min
// is not a whole number of seconds", "AllowExit=yes is neither 1 nor 0");
// empty when it can, with the number in `number`. The installer checks its
// properties so.
std::string CheckValue(const SettingInfo& info, std::string_view name, std::string_view value,
                       std::int32_t& number);

// Why `value` is no action, naming it `name` ("Action=Suspend is none of
// PowerOff, Hibernate, Sleep"); empty when it is one, then in `action`.
// The letters' case does not count.
std::string CheckAction(std::string_view name, std::string_view value, power::EndAction& action);

// Why `text` is no window of the schedule (`"Fry" is no day (Mon, ...)`);
// empty when it is one, then in `window` (its text and place left as they were).
// The form: days (Mon, Mon-Fri, Sat,Sun; a range may run past Sunday), a
// start and an end (HH:MM-HH:MM, 00:00 to 24:00; an end at or before the
// start is on the next day) and an idle limit of 60 to 9999 seconds or
// `never`, parted by blanks.
std::string ReadWindow(std::string_view text, monitor::ScheduleWindow& window,
                       std::string* note = nullptr);

// The `key=value` lines of a configuration file into `into`. Blank lines
// and lines starting with # or ; are comments; blanks around key and value
// do not count.
void ParseConfText(std::string_view text, std::string_view path, Reading& into);

// The values in force after everything read, and a warning for each one passed over.
Effective Resolve(const Reading& reading);
inline Effective Load(SettingsSource& source) { return Resolve(source.Read()); }

// "IdleLimitSeconds=1800 (/etc/dormix-lite/conf.d/50-lab.conf, line 2)", one
// line a setting and one a window of the schedule; with `now`, where there
// is a schedule, the window in force at that time (or none) last.
std::string Describe(const Effective& effective, const log::LocalTime* now = nullptr);

// At start: each warning to the system log, then one entry naming the
// settings in force when any was set or the administrator's place exists:
// a file that went missing still shows what runs instead. The clock is
// asked only where there is a schedule.
void Announce(const Effective& effective, log::SystemLog& systemLog, log::Clock& clock);

}  // namespace dormix::settings
