#pragma once
// What could not be read, and what looked wrong in what could: every
// problem is counted, the first few of each kind are kept with where they
// were, and each kept one goes to stderr as it is found.

#include <array>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace dormix::report {

enum class Problem : std::uint8_t {
    SourceUnreadable,    // a file or folder that could not be opened or listed
    PathLoop,            // a folder reached again through a link
    OutsideSource,       // a link that leads out of the source's own tree; not followed
    UnreadableLine,      // neither an entry nor a header line
    LongLine,            // a line past the length any entry has; skipped unread
    NulByte,             // a line with a NUL in it
    HeaderMidFile,       // "File Created" after the file's start, or a banner without a start
    ClockBackwards,      // an entry earlier than the one before it in the same file
    UnfinishedLastLine,  // the file ends inside a line: cut off while written or copied
    UnreadableRecord,    // a journal or event-log record that is not what the program writes
    LogStops,            // a machine's entries end more than a day before the period does
    FutureDate,          // entries dated after the day the report runs: a clock set wrong
    PeriodCut,           // entries before the longest period read without --from
    NamesJoined,         // folders read as one machine, or a short name that fits several
};
inline constexpr std::size_t ProblemKinds = 14;

struct Sample {
    std::string where;   // file and line, or machine
    std::string detail;  // why, with an excerpt of the text
};

class Health {
  public:
    static constexpr std::size_t SamplesKept = 5;
    explicit Health(std::ostream* err = nullptr) : err_(err) {}

    void Report(Problem problem, std::string_view where, std::string_view detail,
                std::uint64_t times = 1);
    std::uint64_t Count(Problem p) const { return counts_[std::size_t(p)]; }
    const std::vector<Sample>& Samples(Problem p) const { return samples_[std::size_t(p)]; }
    std::uint64_t Total() const;
    // One line per kind of problem found, on stderr at the end.
    void Summary(std::ostream& out) const;

    // Files read, and their size, for the page.
    std::uint64_t filesRead = 0, bytesRead = 0, entriesRead = 0, recordsSkipped = 0;

  private:
    std::ostream* err_;
    std::array<std::uint64_t, ProblemKinds> counts_{};
    std::array<std::vector<Sample>, ProblemKinds> samples_;
};

// What each kind is called on the page and on stderr.
std::string_view ProblemName(Problem problem);
// Up to `limit` characters of untrusted text, in valid UTF-8, with control
// characters and undecodable bytes shown as U+FFFD.
std::string Excerpt(std::string_view text, std::size_t limit = 80);

}  // namespace dormix::report
