#include "report/FleetTable.h"

#include <algorithm>

#include "report/Calendar.h"
#include "report/Health.h"
#include "ui/Texts.h"

namespace dormix::report {
namespace {

void CountName(std::map<std::string, std::uint32_t>& names, std::string_view name,
               std::size_t kept) {
    std::string clean = Excerpt(name, 160);
    auto it = names.find(clean);
    if (it != names.end())
        ++it->second;
    else if (names.size() < kept)
        names.emplace(std::move(clean), 1);
}

}  // namespace

std::size_t FleetTable::Machine(std::string_view name) {
    key_.clear();
    for (char c : name.substr(0, name.find('.'))) {
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        key_ += c;
    }
    if (key_.empty()) key_ = "(no name)";
    auto [it, added] = index_.try_emplace(key_, machines_.size());
    if (added) {
        machines_.emplace_back();
        machines_.back().name = Excerpt(key_, 64);
    }
    return it->second;
}

void FleetTable::Entry(std::size_t machine, Stream stream, Route route, const log::ParsedEntry& e) {
    if (e.testMark) {
        ++testEntries;
        return;
    }
    MachineLog& m = machines_[machine];
    const std::int32_t day = DayNumber(e.time.year, e.time.month, e.time.day);
    if (day > latest_) {
        ++future;
        return;
    }
    m.firstDaySeen = std::min(m.firstDaySeen, day);
    m.lastDaySeen = std::max(m.lastDaySeen, day);
    m.routes |= route;
    if ((from_ && day < *from_) || (to_ && day > *to_)) {
        ++outside;
        if (!from_ || day >= *from_ || day < m.dayBefore) return;
        if (day > m.dayBefore) {
            m.dayBefore = day;
            m.before.marks.clear();
        }
        m.before.marks.push_back(
            {std::uint32_t(e.time.hour * 3600 + e.time.minute * 60 + e.time.second),
             static_cast<std::uint8_t>(log::EntryEvent(e.action, e.detail)),
             std::uint8_t(stream == Stream::Watch ? Mark::Watch : 0), std::int16_t(e.count)});
        return;
    }
    if (machine != lastMachine_ || day != lastDay_ || !lastMarks_) {
        lastMarks_ = &m.days[day];
        lastMachine_ = machine;
        lastDay_ = day;
    }
    const auto event = static_cast<std::uint8_t>(log::EntryEvent(e.action, e.detail));
    std::uint8_t flags = stream == Stream::Watch ? Mark::Watch : 0;
    if (e.detail == text::ActionPowerOff) flags |= Mark::Countdown;
    lastMarks_->marks.push_back(
        {std::uint32_t(e.time.hour * 3600 + e.time.minute * 60 + e.time.second), event, flags,
         std::int16_t(e.count)});
    lastMarks_->routes |= route;
    ++kept;
}

void FleetTable::Offset(std::size_t machine, std::int64_t local, std::int64_t utc) {
    // Whole quarter hours: the zones there are, and the seconds between the
    // program's stamp and the system's do not matter.
    const std::int64_t quarter = 900;
    const std::int64_t d = local - utc;
    machines_[machine].utcOffset = (d >= 0 ? d + quarter / 2 : d - quarter / 2) / quarter * quarter;
}

void FleetTable::Refused(std::size_t machine, Stream stream, std::int64_t utc,
                         std::string_view error) {
    MachineLog& m = machines_[machine];
    m.refusals.push_back({utc, std::uint8_t(stream)});
    CountName(m.errors, error, NamesKept);
}

void FleetTable::Holder(std::size_t machine, std::string_view who) {
    CountName(machines_[machine].holders, who, NamesKept);
}

}  // namespace dormix::report
