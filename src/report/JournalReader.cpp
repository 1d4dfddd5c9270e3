// journalctl -o json: one object a line. A field is a string, or an array
// of numbers where its value is not valid UTF-8, or an array of either where
// the record has the field more than once.
#include <nlohmann/json.hpp>
#include <string>

#include "log/LogFormat.h"
#include "report/Calendar.h"
#include "report/LineReader.h"
#include "report/Readers.h"
#include "ui/Texts.h"

namespace dormix::report {
namespace {

using Json = nlohmann::json;

std::string Field(const Json& record, const char* name) {
    const auto it = record.find(name);
    if (it == record.end()) return {};
    const Json* value = &*it;
    if (value->is_array() && !value->empty() && !value->front().is_number())
        value = &value->front();
    if (value->is_string()) return value->get<std::string>();
    std::string bytes;
    if (value->is_array())
        for (const Json& b : *value)
            if (b.is_number_unsigned()) bytes += char(b.get<unsigned>() & 0xFF);
    return bytes;
}

bool Number(const std::string& text, std::int64_t& value) {
    if (text.empty() || text.size() > 18) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

}  // namespace

void ReadJournal(std::istream& in, std::string_view where, FleetTable& table, Health& health) {
    LineReader lines(in, RecordLimit);
    std::string_view line;
    bool tooLong = false;
    auto at = [&] { return std::string(where) + ", record " + std::to_string(lines.LineNumber()); };
    log::ParsedEntry entry;
    while (lines.Next(line, tooLong)) {
        if (tooLong) {
            health.Report(Problem::LongLine, at(),
                          "longer than " + std::to_string(RecordLimit) + " bytes");
            continue;
        }
        // Other programs' records, the bulk of a whole journal, are passed
        // over without being parsed.
        if (line.find("\"DORMIX_EVENT_ID\"") == std::string_view::npos) {
            if (!line.empty()) ++health.recordsSkipped;
            continue;
        }
        const Json record = Json::parse(line, nullptr, false);
        std::int64_t id = 0, micros = 0;
        if (record.is_discarded() || !record.is_object() ||
            !Number(Field(record, "DORMIX_EVENT_ID"), id) || id > 0xFFFF) {
            health.Report(Problem::UnreadableRecord, at(), line);
            continue;
        }
        const Stream stream = Field(record, "SYSLOG_IDENTIFIER") == text::ExeBaseName
                                  ? Stream::Program
                                  : Stream::Watch;
        const std::size_t machine = table.Machine(Field(record, "_HOSTNAME"));
        std::optional<std::int64_t> utc;
        if (Number(Field(record, "__REALTIME_TIMESTAMP"), micros)) utc = micros / 1000000;
        const std::string message = Field(record, "MESSAGE");
        if (id >= 100) {
            TakeFailure(table, machine, stream, std::uint16_t(id), message, utc);
            continue;
        }
        if (!log::ParseEntry(message, entry) || Field(record, "DORMIX_ACTION") != entry.action) {
            health.Report(Problem::UnreadableRecord, at(), message);
            continue;
        }
        ++health.entriesRead;
        if (utc) table.Offset(machine, Seconds(entry.time), *utc);
        table.Entry(machine, stream, Journal, entry);
    }
    health.bytesRead += lines.BytesRead();
    if (lines.EndedInsideLine())
        health.Report(Problem::UnfinishedLastLine, where,
                      "the last record has no line break: the file was cut off");
}

}  // namespace dormix::report
