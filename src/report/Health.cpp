#include "report/Health.h"

namespace dormix::report {

std::string_view ProblemName(Problem p) {
    switch (p) {
        case Problem::SourceUnreadable:
            return "files or folders that could not be read";
        case Problem::PathLoop:
            return "folders reached again through a link (not read twice)";
        case Problem::OutsideSource:
            return "links that lead out of the source (not followed)";
        case Problem::UnreadableLine:
            return "lines that are no entry";
        case Problem::LongLine:
            return "lines too long to be an entry (skipped unread)";
        case Problem::NulByte:
            return "lines with NUL bytes";
        case Problem::HeaderMidFile:
            return "headers or banners in mid-file";
        case Problem::ClockBackwards:
            return "clocks that jump backwards";
        case Problem::UnfinishedLastLine:
            return "files that end inside a line";
        case Problem::UnreadableRecord:
            return "journal or event records that could not be read";
        case Problem::LogStops:
            return "logs that stop before the period ends";
        case Problem::FutureDate:
            return "entries dated after today (left out)";
        case Problem::PeriodCut:
            return "entries before the longest default period (left out; use --from)";
        case Problem::NamesJoined:
            return "machine names joined or left apart by the naming rule (check them)";
    }
    return "problems";
}

void Health::Report(Problem p, std::string_view where, std::string_view detail,
                    std::uint64_t times) {
    const std::size_t i = std::size_t(p);
    counts_[i] += times;
    if (samples_[i].size() >= SamplesKept) return;
    samples_[i].push_back({Excerpt(where, 200), Excerpt(detail, 120)});
    if (err_)
        *err_ << "dormix-report: " << samples_[i].back().where << ": " << samples_[i].back().detail
              << '\n';
}

std::uint64_t Health::Total() const {
    std::uint64_t total = 0;
    for (std::uint64_t c : counts_) total += c;
    return total;
}

void Health::Summary(std::ostream& out) const {
    for (std::size_t i = 0; i < ProblemKinds; ++i)
        if (counts_[i])
            out << "dormix-report: " << counts_[i] << ' ' << ProblemName(Problem(i)) << '\n';
}

std::string Excerpt(std::string_view s, std::size_t limit) {
    static constexpr std::string_view Replacement = "\xEF\xBF\xBD";
    std::string out;
    std::size_t chars = 0;
    for (std::size_t i = 0; i < s.size() && chars < limit; ++chars) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t length = c < 0x80         ? 1
                             : (c >> 5) == 6  ? 2
                             : (c >> 4) == 14 ? 3
                             : (c >> 3) == 30 ? 4
                                              : 0;
        bool valid = length != 0 && i + length <= s.size();
        for (std::size_t k = 1; valid && k < length; ++k)
            valid = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
        if (valid && length == 2) valid = c >= 0xC2;  // no overlong forms
        if (valid && length == 3) {
            const auto c1 = static_cast<unsigned char>(s[i + 1]);
            valid = !(c == 0xE0 && c1 < 0xA0) && !(c == 0xED && c1 >= 0xA0);
        }
        if (valid && length == 4) {
            const auto c1 = static_cast<unsigned char>(s[i + 1]);
            valid = c <= 0xF4 && !(c == 0xF0 && c1 < 0x90) && !(c == 0xF4 && c1 >= 0x90);
        }
        if (!valid || (length == 1 && (c < 0x20 || c == 0x7F))) {
            out += Replacement;
            ++i;
            continue;
        }
        out.append(s.substr(i, length));
        i += length;
    }
    return out;
}

}  // namespace dormix::report
