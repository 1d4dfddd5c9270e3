#include <cstring>
#include <string>

#include "log/LogFormat.h"
#include "report/Calendar.h"
#include "report/LineReader.h"
#include "report/Readers.h"
#include "ui/Texts.h"

namespace dormix::report {

void ReadTextLog(std::istream& in, std::string_view where, std::size_t machine, Stream stream,
                 FleetTable& table, Health& health) {
    LineReader lines(in, LineLimit);
    std::string_view line;
    bool tooLong = false;
    bool bannerOpen = false;  // a banner's title line, waiting for its "Start"
    std::int64_t last = INT64_MIN;
    auto at = [&] { return std::string(where) + ", line " + std::to_string(lines.LineNumber()); };
    log::ParsedEntry entry;
    while (lines.Next(line, tooLong)) {
        if (tooLong) {
            health.Report(Problem::LongLine, at(),
                          "longer than " + std::to_string(LineLimit) + " bytes");
            continue;
        }
        if (std::memchr(line.data(), '\0', line.size())) {
            health.Report(Problem::NulByte, at(), line);
            continue;
        }
        if (log::ParseEntry(line, entry)) {
            ++health.entriesRead;
            if (bannerOpen && entry.action != text::LogStart)
                health.Report(Problem::HeaderMidFile, at(), "a banner not followed by a start");
            bannerOpen = false;
            const std::int64_t now = Seconds(entry.time);
            if (now < last)
                health.Report(Problem::ClockBackwards, at(),
                              "back by " + std::to_string((last - now) / 60) + " min: " +
                                  std::string(line.substr(0, line.size() - log::FieldsLength)));
            last = now;
            table.Entry(machine, stream, TextLog, entry);
        } else if (log::IsHeaderLine(line)) {
            if (line == text::ProductTitle) bannerOpen = true;
            if (line == text::LogFileCreated && lines.LineNumber() != 3)
                health.Report(Problem::HeaderMidFile, at(),
                              "\"File Created\" after the file's start");
        } else if (!lines.EndedInsideLine()) {  // a cut-off last line is said once, below
            health.Report(Problem::UnreadableLine, at(), line);
        }
    }
    health.bytesRead += lines.BytesRead();
    if (lines.EndedInsideLine())
        health.Report(Problem::UnfinishedLastLine, where,
                      "the last line has no line break: the file was cut off");
}

}  // namespace dormix::report
