// journalctl -o json: one object a line. A field is a string, or an array
// of numbers where its value is not valid UTF-8, or an array of either where
// the record has the field more than once.
#include <algorithm>
#include <cctype>
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

// The fields read below, gathered as the record is parsed (SAX): a
// journal record has thirty, and building a document of every one cost most
// of the reading. A field is a string, or an array of bytes (a MESSAGE that
// is no valid UTF-8), or of strings (a field given twice: the first counts).
enum Slot { EventId, Action, Message, Identifier, Host, Time, Slots };
constexpr std::string_view SlotNames[Slots] = {"DORMIX_EVENT_ID", "DORMIX_ACTION",
                                               "MESSAGE",         "SYSLOG_IDENTIFIER",
                                               "_HOSTNAME",       "__REALTIME_TIMESTAMP"};

class Fields final : public nlohmann::json_sax<Json> {
  public:
    std::string value[Slots];
    bool object = false;

    void Clear() {
        for (std::string& v : value) v.clear();
        object = false;
        depth_ = 0;
        slot_ = -1;
        set_ = 0;
    }
    bool null() override { return Scalar(); }
    bool boolean(bool) override { return Scalar(); }
    bool number_integer(number_integer_t) override { return Scalar(); }
    bool number_unsigned(number_unsigned_t n) override {
        if (slot_ >= 0 && depth_ >= 2 && !(set_ & Bit())) value[slot_] += char(n & 0xFF);
        return Scalar();
    }
    bool number_float(number_float_t, const string_t&) override { return Scalar(); }
    bool string(string_t& s) override {
        if (slot_ >= 0 && value[slot_].empty() && !(set_ & Bit())) {
            value[slot_] = std::move(s);
            set_ |= Bit();
        }
        return Scalar();
    }
    bool binary(binary_t&) override { return Scalar(); }
    bool start_object(std::size_t) override {
        if (depth_ == 0) object = true;
        ++depth_;
        return true;
    }
    bool key(string_t& k) override {
        slot_ = -1;
        if (depth_ != 1) return true;
        for (int i = 0; i < Slots; ++i)
            if (k == SlotNames[i]) slot_ = i;
        return true;
    }
    bool end_object() override { return --depth_, Scalar(); }
    bool start_array(std::size_t) override { return ++depth_, true; }
    bool end_array() override {
        --depth_;
        if (slot_ >= 0 && depth_ >= 1) set_ |= Bit();
        return Scalar();
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }

  private:
    // A value at the record's level ends its field.
    bool Scalar() {
        if (depth_ == 1) slot_ = -1;
        return true;
    }
    unsigned Bit() const { return 1u << slot_; }
    int depth_ = 0, slot_ = -1;
    unsigned set_ = 0;
};

// The common record, read without the parser: one object of plain ASCII
// strings and numbers, no escape, no array, no nesting, as journalctl
// writes nearly every one. Anything else (a byte past ASCII, an escape, an
// array of bytes, a malformed record) is left to the parser: false.
bool QuickFields(std::string_view line, Fields& out) {
    std::size_t i = 0;
    auto space = [&] {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    };
    auto quoted = [&](std::string_view& text) {
        if (i >= line.size() || line[i] != '"') return false;
        const std::size_t end = line.find('"', ++i);
        if (end == std::string_view::npos) return false;
        text = line.substr(i, end - i);
        i = end + 1;
        return text.find('\\') == std::string_view::npos;
    };
    for (const char c : line)
        if (static_cast<unsigned char>(c) >= 0x80 || static_cast<unsigned char>(c) < 0x20)
            return false;
    space();
    if (i >= line.size() || line[i++] != '{') return false;
    for (;;) {
        space();
        std::string_view key, value;
        if (!quoted(key)) return false;
        space();
        if (i >= line.size() || line[i++] != ':') return false;
        space();
        if (i < line.size() && line[i] == '"') {
            if (!quoted(value)) return false;
            for (int s = 0; s < Slots; ++s)
                if (key == SlotNames[s] && out.value[s].empty()) out.value[s] = value;
        } else {
            // A number, true, false or null: nothing read here needs one.
            const std::size_t end = line.find_first_of(",}", i);
            if (end == std::string_view::npos || end == i) return false;
            for (std::size_t k = i; k < end; ++k)
                if (!std::isalnum(static_cast<unsigned char>(line[k])) && line[k] != '-' &&
                    line[k] != '+' && line[k] != '.' && line[k] != ' ')
                    return false;
            i = end;
        }
        space();
        if (i < line.size() && line[i] == ',') {
            ++i;
            continue;
        }
        if (i >= line.size() || line[i++] != '}') return false;
        space();
        out.object = true;
        return i == line.size();
    }
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
    Fields fields;
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
        fields.Clear();
        bool parsed = QuickFields(line, fields);
        if (!parsed) {
            fields.Clear();
            parsed = Json::sax_parse(line, &fields);
        }
        std::int64_t id = 0, micros = 0;
        if (!parsed || !fields.object || !Number(fields.value[EventId], id) || id > 0xFFFF) {
            health.Report(Problem::UnreadableRecord, at(), line);
            continue;
        }
        const Stream stream =
            fields.value[Identifier] == text::ExeBaseName ? Stream::Program : Stream::Watch;
        const std::size_t machine = table.Machine(fields.value[Host]);
        std::optional<std::int64_t> utc;
        if (Number(fields.value[Time], micros)) utc = micros / 1000000;
        const std::string& message = fields.value[Message];
        if (id >= 100) {
            TakeFailure(table, machine, stream, std::uint16_t(id), message, utc);
            continue;
        }
        if (!log::ParseEntry(message, entry) || fields.value[Action] != entry.action) {
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
