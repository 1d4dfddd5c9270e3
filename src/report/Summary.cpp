#include "report/Summary.h"

#include <algorithm>

#include "monitor/Limits.h"
#include "report/Calendar.h"

namespace dormix::report {
namespace {

using log::SystemEvent;

constexpr std::uint8_t Event(SystemEvent e) { return std::uint8_t(e); }
// The refusal's place among a day's marks: a code beside the entries' ids.
constexpr std::uint8_t RefusalMark = Event(SystemEvent::ProgramError);

// What the last event of note in a day was.
enum class Last : std::uint8_t {
    Nothing,
    PowerOff,
    Refused,
    Cancelled,
    OtherUser,
    Held,
    Exited,
    Started
};

class MachineWalk {
  public:
    MachineWalk(Summary& s, MachineSummary& m, const MachineLog& log, std::int64_t now)
        : s_(s), m_(m), log_(log), now_(now) {}

    void Mark(std::int64_t t, const report::Mark& mark, int countdown) {
        // A wait or a refusal goes on until the machine's next other entry.
        const bool waits = mark.event == Event(SystemEvent::OtherUserWait) ||
                           mark.event == Event(SystemEvent::HeldWait) ||
                           mark.event == Event(SystemEvent::LockedWait) ||
                           mark.event == RefusalMark ||
                           mark.event == Event(SystemEvent::PowerOffRefused);
        if (idleSince_ && (!waits || t >= idleUntil_)) {
            AddIdle(*idleSince_, t);
            idleSince_.reset();
        }
        if (waits && !idleSince_) {
            idleSince_ = t;
            // A hold ends, or its cap runs out, with a countdown in the log;
            // a "Wait, Held" with nothing after it within the cap ended with
            // someone at the machine again.
            idleUntil_ = mark.event == Event(SystemEvent::HeldWait)
                             ? t + log_.holdLimit.value_or(monitor::DefaultHoldLimit)
                             : INT64_MAX;
        }
        DayTotals& d = Day(t);
        Last& last = last_[std::size_t(t / 86400 - s_.firstDay)];
        // Off until the next start; an entry of any other kind well after
        // the request shows the machine running again (its start not logged).
        // A wake-up ends a sleep as a start ends a power-off.
        if (pending_ && mark.event != RefusalMark &&
            (mark.event == Event(SystemEvent::Started) || mark.event == Event(SystemEvent::Woke) ||
             t - *pending_ > RefusalWindow)) {
            AddOff(*pending_, t);
            pending_.reset();
        }
        switch (mark.event) {
            case Event(SystemEvent::Started):
                ++d.starts;
                last = Last::Started;
                break;
            case Event(SystemEvent::Woke):
                last = Last::Started;
                break;
            case Event(SystemEvent::PowerOffRequested):
                // The other program's request for the same power-off (the
                // watch's beside the tray program's), or one the system
                // refused a moment before its entry's stamp.
                if (pending_ || (refusedAt_ && t - *refusedAt_ <= RefusalWindow)) break;
                ++d.powerOffs;
                d.hibernates += (mark.flags & Mark::Hibernate) != 0;
                d.sleeps += (mark.flags & Mark::Sleep) != 0;
                pending_ = t;
                pendingFlags_ = mark.flags;
                last = Last::PowerOff;
                break;
            case RefusalMark:
            case Event(SystemEvent::PowerOffRefused): {
                // The text log's "Refuse" after its "Close", and the system
                // log's report of the same refusal: counted once.
                const bool entry = mark.event != RefusalMark;
                auto& other = entry ? refusedAt_ : refuseEntryAt_;
                if (!(other && t - *other <= RefusalWindow)) ++d.refused;
                (entry ? refuseEntryAt_ : refusedAt_) = t;
                // A refused hibernation is followed by the power-off in its
                // place, in the same second, so it may sort after that
                // request: a refusal naming another action is not of the
                // request pending, which was never counted twice.
                constexpr std::uint8_t Kind = Mark::Hibernate | Mark::Sleep;
                const bool another = entry && (mark.flags & Kind) != (pendingFlags_ & Kind);
                if (pending_ && t - *pending_ <= RefusalWindow && !another) {
                    DayTotals& asked = Day(*pending_);
                    --asked.powerOffs;
                    asked.hibernates -= (pendingFlags_ & Mark::Hibernate) != 0;
                    asked.sleeps -= (pendingFlags_ & Mark::Sleep) != 0;
                    pending_.reset();
                }
                last = Last::Refused;
                break;
            }
            case Event(SystemEvent::CountdownBegan):
                ++d.countdowns;
                break;
            case Event(SystemEvent::Reset):
                if (!(mark.flags & Mark::Countdown)) break;
                // A countdown that ran out while another user's session was
                // in use ends as Cancel ends it, at its full count.
                if (mark.count >= countdown) {
                    ++d.endedByOther;
                    last = Last::OtherUser;
                } else {
                    ++d.cancelled;
                    last = Last::Cancelled;
                }
                break;
            case Event(SystemEvent::OtherUserWait):
                ++d.otherUserWaits;
                last = Last::OtherUser;
                break;
            case Event(SystemEvent::HeldWait):
            case Event(SystemEvent::LockedWait):
                ++d.heldWaits;
                last = Last::Held;
                break;
            case Event(SystemEvent::HoldExpired):
                ++d.holdsExpired;
                break;
            case Event(SystemEvent::Exited):
                ++d.exits;
                if (!(mark.flags & Mark::Watch)) last = Last::Exited;
                break;
            default:
                break;
        }
        if (mark.event != RefusalMark) {
            ++d.entries;
            lastEntry_ = t;
            lastKind_ = last;
        }
    }

    // An entry of the last day before the period: only whether the machine
    // was off when the period began counts.
    void Before(std::int64_t t, const report::Mark& mark) {
        if (mark.event == Event(SystemEvent::PowerOffRequested)) {
            pending_ = t;
            pendingFlags_ = mark.flags;
        } else if (pending_ && (mark.event == Event(SystemEvent::Started) ||
                                mark.event == Event(SystemEvent::Woke) ||
                                mark.event == Event(SystemEvent::PowerOffRefused) ||
                                t - *pending_ > RefusalWindow))
            pending_.reset();
    }

    void Finish() {
        // The last stretch ends with the period, or now if that is earlier.
        const std::int64_t end = std::min((std::int64_t(s_.lastDay) + 1) * 86400, now_);
        if (pending_) AddOff(*pending_, end);
        if (idleSince_) AddIdle(*idleSince_, end);
        for (std::size_t i = 0; i < m_.days.size(); ++i) {
            DayTotals& d = m_.days[i];
            d.night = d.powerOffs                   ? Night::Off
                      : last_[i] == Last::Refused   ? Night::Refused
                      : last_[i] == Last::Cancelled ? Night::Cancelled
                      : last_[i] == Last::OtherUser ? Night::OtherUser
                      : last_[i] == Last::Held      ? Night::Held
                      : last_[i] == Last::Exited    ? Night::Exited
                      : d.entries                   ? Night::NeverIdle
                      : d.offSeconds                ? Night::StayedOff
                                                    : Night::NoEntries;
            m_.total.Add(d);
            ++s_.nights[std::size_t(d.night)];
        }
    }

    std::optional<std::int64_t> lastEntry_;
    Last lastKind_ = Last::Nothing;

  private:
    DayTotals& Day(std::int64_t t) { return m_.days[std::size_t(t / 86400 - s_.firstDay)]; }

    void AddIdle(std::int64_t from, std::int64_t to) {
        to = std::min(to, idleUntil_);
        for (from = std::max(from, std::int64_t(s_.firstDay) * 86400); from < to;) {
            const std::int64_t step = std::min(to, (from / 86400 + 1) * 86400) - from;
            Day(from).idleOnSeconds += step;
            from += step;
        }
    }

    void AddOff(std::int64_t from, std::int64_t to) {
        from = std::max(from, std::int64_t(s_.firstDay) * 86400);
        to = std::min(to, (std::int64_t(s_.lastDay) + 1) * 86400);
        // Across a daylight-saving change the wall clock gains or loses an
        // hour: the stretch counts the time that passed, the hour in the
        // hour of the change.
        // The change is known from the first entry after it, at the latest
        // the one that ends the stretch.
        const auto before = log_.OffsetAtLocal(from), after = log_.OffsetAtLocal(to);
        if (from < to && before && after && *before != *after) {
            std::int64_t at = to - 1;
            for (const auto& [utc, offset] : log_.offsets)
                if (offset == *after && utc + offset > from) {
                    at = std::min(at, utc + offset);
                    break;
                }
            Day(at).offSeconds += *before - *after;
            if (pendingFlags_ & Mark::Sleep) Day(at).sleepSeconds += *before - *after;
            s_.hourSeconds[std::size_t(at % 86400 / 3600)] += *before - *after;
        }
        while (from < to) {
            const std::int64_t step = std::min(to, (from / 3600 + 1) * 3600) - from;
            Day(from).offSeconds += step;
            if (pendingFlags_ & Mark::Sleep) Day(from).sleepSeconds += step;
            s_.hourSeconds[std::size_t(from % 86400 / 3600)] += step;
            from += step;
        }
    }

    Summary& s_;
    MachineSummary& m_;
    std::vector<Last> last_ = std::vector<Last>(m_.days.size(), Last::Nothing);
    // refusedAt_: the system log's refusal; refuseEntryAt_: the text log's.
    std::optional<std::int64_t> pending_, refusedAt_, refuseEntryAt_, idleSince_;
    std::int64_t idleUntil_ = INT64_MAX;
    std::uint8_t pendingFlags_ = 0;  // of the request that pending_ counts from
    const MachineLog& log_;
    std::int64_t now_;
};

// Whether a machine's log stops before the period ends: a working day
// (Monday to Friday) after its last entry, and before the period's last
// day, has none. A machine off for the weekend has not stopped.
bool LogStops(const Summary& s, std::int32_t lastDay) {
    for (std::int32_t day = lastDay + 1; day < s.lastDay; ++day)
        if (Weekday(day) < 5) return true;
    return false;
}

std::string Nights(std::uint64_t n) { return std::to_string(n) + (n == 1 ? " night" : " nights"); }

void Explain(MachineSummary& m, const Summary& s, const MachineWalk& walk) {
    const DayTotals& t = m.total;
    if (t.powerOffs) return;
    auto after = [&](std::int32_t day) { return IsoDate(day); };
    if (!t.entries) {
        if (m.lastDaySeen != INT32_MIN && m.lastDaySeen < s.firstDay) {
            m.cause = Cause::Stopped;
            m.causeText = "no entries after " + after(m.lastDaySeen);
        } else {
            m.cause = Cause::NoEntries;
            m.causeText = "no entries in the period";
        }
        return;
    }
    const std::int32_t lastDay = std::int32_t(*walk.lastEntry_ / 86400);
    if (walk.lastKind_ == Last::Exited && lastDay < s.lastDay) {
        m.cause = Cause::ExitedForGood;
        m.causeText = "the program ended (Exit) on " + after(lastDay) + " and never came back";
        return;
    }
    if (LogStops(s, lastDay)) {
        m.cause = Cause::Stopped;
        m.causeText = "no entries after " + after(lastDay);
        return;
    }
    if (t.refused) {
        m.cause = Cause::Refused;
        m.causeText = "the power-off was refused (" + std::to_string(t.refused) + "x)";
        if (!m.errors.empty()) m.causeText += ": " + m.errors.begin()->first;
        return;
    }
    std::uint64_t cancelled = 0, other = 0, held = 0, exited = 0;
    for (const DayTotals& d : m.days) {
        cancelled += d.night == Night::Cancelled;
        other += d.night == Night::OtherUser;
        held += d.night == Night::Held;
        exited += d.night == Night::Exited;
    }
    const std::uint64_t limit = cancelled + other + held + exited;
    if (!limit) {
        m.cause = Cause::NeverIdle;
        m.causeText = "never idle for the limit while it ran";
        return;
    }
    const std::uint64_t most = std::max({cancelled, other, held, exited});
    const bool every = most == limit;
    const std::string share = every ? " (" + Nights(most) + ")"
                                    : " (" + std::to_string(most) + " of " + Nights(limit) + ")";
    auto say = [&](Cause cause, const char* always, const char* mostly) {
        m.cause = cause;
        m.causeText = (every ? always : mostly) + share;
    };
    std::string by;
    for (const auto& [who, n] : m.holders) by += (by.empty() ? "" : "; ") + who;
    if (most == cancelled) {
        say(Cause::Cancelled, "cancelled every time", "mostly cancelled");
    } else if (most == other && t.otherUserWaits) {
        say(Cause::OtherUser, "always another user's session", "mostly another user's session");
    } else if (most == other && by.empty()) {
        // A countdown ended at its full count: another user's session, or
        // (in logs older than the "Wait, Held" entry) a program's hold.
        say(Cause::OtherUser, "always another user or a program",
            "mostly another user or a program");
    } else if (most == other || most == held) {
        say(Cause::Held, "always held", "mostly held");
        if (!by.empty()) m.causeText += " by " + by;
    } else {
        say(Cause::LoggedOff,
            "the program ended before the limit every evening (a log-off or shutdown)",
            "the program mostly ended before the limit (a log-off or shutdown)");
    }
}

}  // namespace

void DayTotals::Add(const DayTotals& o) {
    offSeconds += o.offSeconds;
    sleepSeconds += o.sleepSeconds;
    hibernates += o.hibernates;
    sleeps += o.sleeps;
    idleOnSeconds += o.idleOnSeconds;
    countdowns += o.countdowns;
    cancelled += o.cancelled;
    endedByOther += o.endedByOther;
    otherUserWaits += o.otherUserWaits;
    heldWaits += o.heldWaits;
    holdsExpired += o.holdsExpired;
    refused += o.refused;
    powerOffs += o.powerOffs;
    starts += o.starts;
    exits += o.exits;
    entries += o.entries;
}

std::string_view NightName(Night n) {
    switch (n) {
        case Night::NoEntries:
            return "no entries";
        case Night::Off:
            return "switched off";
        case Night::StayedOff:
            return "stayed off";
        case Night::Refused:
            return "power-off refused";
        case Night::Cancelled:
            return "countdown cancelled";
        case Night::OtherUser:
            return "another user's session";
        case Night::Held:
            return "held by a program";
        case Night::Exited:
            return "program ended";
        case Night::NeverIdle:
            return "never idle for the limit";
    }
    return "";
}

Summary Summarise(FleetTable& table, Health& health) {
    table.JoinShortNames(health);
    Summary s;
    s.failures = table.Failures();
    s.testEntries = table.testEntries;
    s.outside = table.outside;
    std::int32_t first = INT32_MAX, last = INT32_MIN;
    for (const MachineLog& m : table.Machines())
        if (!m.days.empty()) {
            first = std::min(first, m.days.begin()->first);
            last = std::max(last, m.days.rbegin()->first);
        }
    // With no entry at all and no period asked for, the page is about today,
    // the last day anything could have been written.
    const std::int32_t today = table.Latest() == INT32_MAX ? 0 : table.Latest() - 1;
    s.lastDay = table.To().value_or(last == INT32_MIN ? table.From().value_or(today) : last);
    s.firstDay = table.From().value_or(first == INT32_MAX ? s.lastDay : first);
    if (!table.From() && s.lastDay - s.firstDay >= LongestDefaultPeriod) {
        s.firstDay = s.lastDay - LongestDefaultPeriod + 1;
        health.Report(Problem::PeriodCut, "the period",
                      "entries reach back to " + IsoDate(first) + "; the page starts at " +
                          IsoDate(s.firstDay));
    }
    if (table.future)
        health.Report(Problem::FutureDate, "entries", "dated after the day of the report",
                      table.future);

    std::vector<std::size_t> order(table.Machines().size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return table.Machines()[a].name < table.Machines()[b].name;
    });
    for (std::size_t index : order) {
        MachineLog& log = table.Machines()[index];
        MachineSummary& m = s.machines.emplace_back();
        m.name = log.name;
        m.room = log.room;
        m.lastDaySeen = log.lastDaySeen;
        m.routes = log.routes;
        m.holders = std::move(log.holders);
        m.errors = std::move(log.errors);
        m.days.resize(std::size_t(std::max(0, s.Days())));
        // Refusals go among the entries at the local time the machine's
        // offset gives them.
        for (const Refusal& r : log.refusals) {
            const std::int64_t local = r.utc + log.OffsetAt(r.utc).value_or(0);
            const std::int32_t day = std::int32_t(local / 86400);
            if (day < s.firstDay || day > s.lastDay) continue;
            log.days[day].marks.push_back({std::uint32_t(local % 86400), RefusalMark,
                                           std::uint8_t(r.stream ? Mark::Watch : 0), 0});
        }
        int countdown = 0;
        for (auto& [day, cell] : log.days) {
            std::sort(cell.marks.begin(), cell.marks.end());
            cell.marks.erase(std::unique(cell.marks.begin(), cell.marks.end()), cell.marks.end());
            for (const report::Mark& mark : cell.marks)
                if (mark.event == Event(SystemEvent::PowerOffRequested))
                    countdown = std::max<int>(countdown, mark.count);
        }
        MachineWalk walk(s, m, log, table.Now());
        std::sort(log.before.marks.begin(), log.before.marks.end());
        for (const report::Mark& mark : log.before.marks)
            walk.Before(std::int64_t(log.dayBefore) * 86400 + mark.second, mark);
        for (auto& [day, cell] : log.days) {
            if (day < s.firstDay || day > s.lastDay) continue;
            for (const report::Mark& mark : cell.marks)
                walk.Mark(
                    std::int64_t(day) * 86400 + mark.second, mark,
                    countdown ? countdown : log.countdown.value_or(monitor::NormalCountdownLength));
            std::vector<report::Mark>().swap(cell.marks);
        }
        log.days.clear();
        walk.Finish();
        Explain(m, s, walk);
        if (m.total.entries) ++s.covered;
        if (m.cause != Cause::None) ++s.neverOff;
        if (m.total.entries && walk.lastEntry_ &&
            LogStops(s, std::int32_t(*walk.lastEntry_ / 86400)))
            health.Report(Problem::LogStops, m.name,
                          "last entry on " + IsoDate(std::int32_t(*walk.lastEntry_ / 86400)));
        s.total.Add(m.total);
    }
    s.entries = s.total.entries;
    return s;
}

}  // namespace dormix::report
