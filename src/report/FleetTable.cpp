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

namespace {

char32_t LowerOf(char32_t c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) ||
        (c >= 0x391 && c <= 0x3AB && c != 0x3A2) || (c >= 0x410 && c <= 0x42F))
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;
    // Latin Extended-A pairs capitals and small letters: even then odd,
    // from U+0139 to U+0148 and U+0179 to U+017E odd then even.
    if ((c >= 0x100 && c <= 0x137 && c % 2 == 0) || (c >= 0x14A && c <= 0x177 && c % 2 == 0) ||
        (c >= 0x139 && c <= 0x148 && c % 2 == 1) || (c >= 0x179 && c <= 0x17E && c % 2 == 1))
        return c + 1;
    if (c == 0x178) return 0xFF;
    return c;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

}  // namespace

std::string Folded(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (std::size_t i = 0; i < name.size();) {
        const auto b = static_cast<unsigned char>(name[i]);
        // Two-byte sequences cover every cased letter folded here.
        if (b >= 0xC2 && b <= 0xDF && i + 1 < name.size() &&
            (static_cast<unsigned char>(name[i + 1]) & 0xC0) == 0x80) {
            AppendUtf8(out, LowerOf(char32_t((b & 0x1F) << 6 |
                                             (static_cast<unsigned char>(name[i + 1]) & 0x3F))));
            i += 2;
            continue;
        }
        out += b < 0x80 ? char(LowerOf(b)) : name[i];
        ++i;
    }
    return out;
}

std::size_t FleetTable::Machine(std::string_view name) {
    key_ = Folded(name);
    if (key_.empty()) key_ = "(no name)";
    auto [it, added] = index_.try_emplace(key_, machines_.size());
    if (added) {
        machines_.emplace_back();
        machines_.back().name = Excerpt(key_, 64);
        if (const std::size_t dot = key_.find('.'); dot != std::string::npos)
            machines_.back().room = Excerpt(key_.substr(dot + 1), 64);
    }
    return it->second;
}

void FleetTable::JoinShortNames(Health& health) {
    std::vector<bool> joined(machines_.size());
    for (const auto& [shortKey, s] : index_) {
        if (shortKey.find('.') != std::string::npos) continue;
        std::vector<std::size_t> full;
        for (const auto& [key, f] : index_)
            if (key.size() > shortKey.size() && key.starts_with(shortKey) &&
                key[shortKey.size()] == '.')
                full.push_back(f);
        if (full.size() > 1) {
            std::string names;
            for (std::size_t f : full) names += (names.empty() ? "" : ", ") + machines_[f].name;
            health.Report(Problem::NamesJoined, machines_[s].name,
                          "fits several full names (" + names + "): kept apart");
        }
        if (full.size() != 1) continue;
        MachineLog& from = machines_[s];
        MachineLog& to = machines_[full[0]];
        for (auto& [day, cell] : from.days) {
            DayMarks& into = to.days[day];
            into.marks.insert(into.marks.end(), cell.marks.begin(), cell.marks.end());
            into.routes |= cell.routes;
        }
        if (from.dayBefore > to.dayBefore) {
            to.dayBefore = from.dayBefore;
            to.before = std::move(from.before);
        } else if (from.dayBefore == to.dayBefore) {
            to.before.marks.insert(to.before.marks.end(), from.before.marks.begin(),
                                   from.before.marks.end());
        }
        to.refusals.insert(to.refusals.end(), from.refusals.begin(), from.refusals.end());
        if (!to.countdown) to.countdown = from.countdown;
        if (to.room.empty()) to.room = from.room;
        if (!to.holdLimit) to.holdLimit = from.holdLimit;
        for (const auto& [who, n] : from.holders) to.holders[who] += n;
        for (const auto& [why, n] : from.errors) to.errors[why] += n;
        to.offsets.insert(from.offsets.begin(), from.offsets.end());
        to.firstDaySeen = std::min(to.firstDaySeen, from.firstDaySeen);
        to.lastDaySeen = std::max(to.lastDaySeen, from.lastDaySeen);
        to.routes |= from.routes;
        joined[s] = true;
    }
    std::vector<MachineLog> kept;
    std::vector<std::size_t> moved(machines_.size());
    for (std::size_t i = 0; i < machines_.size(); ++i) {
        moved[i] = kept.size();
        if (!joined[i]) kept.push_back(std::move(machines_[i]));
    }
    for (auto it = index_.begin(); it != index_.end();)
        it = joined[it->second] ? index_.erase(it) : (it->second = moved[it->second], ++it);
    machines_ = std::move(kept);
    lastMarks_ = nullptr;
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
    if (e.detail == text::ActionWords[0]) flags |= Mark::Countdown;
    if (e.detail == text::ActionWords[1]) flags |= Mark::Countdown | Mark::Hibernate;
    if (e.detail == text::ActionWords[2]) flags |= Mark::Countdown | Mark::Sleep;
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
    const std::int64_t offset = (d >= 0 ? d + quarter / 2 : d - quarter / 2) / quarter * quarter;
    MachineLog& m = machines_[machine];
    if (m.OffsetAt(utc) != offset) m.offsets[utc] = offset;
}

std::optional<std::int64_t> MachineLog::OffsetAt(std::int64_t utc) const {
    if (offsets.empty()) return {};
    auto it = offsets.upper_bound(utc);
    return it == offsets.begin() ? it->second : std::prev(it)->second;
}

std::optional<std::int64_t> MachineLog::OffsetAtLocal(std::int64_t local) const {
    std::optional<std::int64_t> found;
    for (const auto& [utc, offset] : offsets) {
        if (found && utc + offset > local) break;
        found = offset;
    }
    return found;
}

void FleetTable::Refused(std::size_t machine, Stream stream, std::int64_t utc,
                         std::string_view error) {
    MachineLog& m = machines_[machine];
    m.refusals.push_back({utc, std::uint8_t(stream)});
    CountName(m.errors, error, NamesKept);
}

void FleetTable::Room(std::size_t machine, std::string_view room) {
    if (machines_[machine].room.empty()) machines_[machine].room = Excerpt(room, 64);
}

void FleetTable::Holder(std::size_t machine, std::string_view who) {
    CountName(machines_[machine].holders, who, NamesKept);
}

}  // namespace dormix::report
