// wevtutil's XML: <Event> elements one after another (or inside one root
// element), each with System (Provider, EventID, TimeCreated, Computer),
// EventData with the insertion strings as <Data>, and, in forwarded events
// and /f:RenderedXml, RenderingInfo with the rendered Message. Only that
// narrow shape is read, one event at a time, so the reader is small enough
// to build the same for Windows, where no XML library comes cross-built.
// PowerShell's ">" writes UTF-16: a file that starts with its byte order
// mark is turned into UTF-8 as it is read.
#include <string>
#include <vector>

#include "log/LogFormat.h"
#include "report/Calendar.h"
#include "report/Readers.h"
#include "ui/Texts.h"

namespace dormix::report {
namespace {

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

// Character data with its five named entities and numeric references.
std::string Decoded(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '&') {
            out += s[i];
            continue;
        }
        const std::size_t semi = s.find(';', i);
        if (semi == std::string_view::npos || semi - i > 10) {
            out += s[i];
            continue;
        }
        const std::string_view name = s.substr(i + 1, semi - i - 1);
        std::uint32_t cp = 0;
        bool ok = true;
        if (name == "lt")
            cp = '<';
        else if (name == "gt")
            cp = '>';
        else if (name == "amp")
            cp = '&';
        else if (name == "quot")
            cp = '"';
        else if (name == "apos")
            cp = '\'';
        else if (name.size() > 1 && name[0] == '#') {
            const bool hex = name[1] == 'x' || name[1] == 'X';
            for (char c : name.substr(hex ? 2 : 1)) {
                const int d = c >= '0' && c <= '9'          ? c - '0'
                              : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                            : -1;
                if (d < 0 || cp > 0x10FFFF)
                    ok = false;
                else
                    cp = cp * (hex ? 16 : 10) + std::uint32_t(d);
            }
            ok = ok && name.size() > (hex ? 2u : 1u) && cp <= 0x10FFFF && cp != 0;
        } else {
            ok = false;
        }
        if (!ok) {
            out += s[i];
            continue;
        }
        AppendUtf8(out, cp);
        i = semi;
    }
    return out;
}

// Where element `name` begins (its "<name" followed by a blank, '>' or '/').
std::size_t FindTag(std::string_view s, std::string_view name, std::size_t from = 0) {
    for (std::size_t at = s.find(name, from); at != std::string_view::npos;
         at = s.find(name, at + 1)) {
        if (at == 0 || s[at - 1] != '<' || at + name.size() >= s.size()) continue;
        const char next = s[at + name.size()];
        if (next == ' ' || next == '>' || next == '/' || next == '\t' || next == '\r' ||
            next == '\n')
            return at - 1;
    }
    return std::string_view::npos;
}

// The text of the element that begins at `at`; `end` gets where it ends.
std::optional<std::string> TextAt(std::string_view s, std::string_view name, std::size_t at,
                                  std::size_t* end = nullptr) {
    const std::size_t gt = s.find('>', at);
    if (gt == std::string_view::npos) return std::nullopt;
    if (s[gt - 1] == '/') {
        if (end) *end = gt + 1;
        return std::string();
    }
    const std::string close = "</" + std::string(name) + ">";
    const std::size_t stop = s.find(close, gt);
    if (stop == std::string_view::npos) return std::nullopt;
    if (end) *end = stop + close.size();
    return Decoded(s.substr(gt + 1, stop - gt - 1));
}

std::optional<std::string> Text(std::string_view s, std::string_view name) {
    const std::size_t at = FindTag(s, name);
    if (at == std::string_view::npos) return std::nullopt;
    return TextAt(s, name, at);
}

std::optional<std::string> Attribute(std::string_view s, std::string_view element,
                                     std::string_view attribute) {
    const std::size_t at = FindTag(s, element);
    if (at == std::string_view::npos) return std::nullopt;
    const std::string_view tag = s.substr(at, s.find('>', at) - at);
    const std::string key = " " + std::string(attribute) + "=";
    const std::size_t k = tag.find(key);
    if (k == std::string_view::npos || k + key.size() >= tag.size()) return std::nullopt;
    const char quote = tag[k + key.size()];
    const std::size_t stop = tag.find(quote, k + key.size() + 1);
    if ((quote != '\'' && quote != '"') || stop == std::string_view::npos) return std::nullopt;
    return Decoded(tag.substr(k + key.size() + 1, stop - k - key.size() - 1));
}

struct Event {
    std::string provider, computer, time;
    std::uint16_t id = 0;
    std::vector<std::string> data;
    std::optional<std::string> message;
};

bool Parse(std::string_view s, Event& e) {
    const auto provider = Attribute(s, "Provider", "Name");
    const auto id = Text(s, "EventID");
    const auto computer = Text(s, "Computer");
    if (!provider || !id || !computer || id->empty() || id->size() > 5) return false;
    unsigned number = 0;
    for (char c : *id) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + unsigned(c - '0');
    }
    if (number > 0xFFFF) return false;
    e.id = std::uint16_t(number);
    e.provider = *provider;
    e.computer = *computer;
    e.time = Attribute(s, "TimeCreated", "SystemTime").value_or("");
    const std::size_t data = FindTag(s, "EventData");
    if (data != std::string_view::npos) {
        for (std::size_t at = FindTag(s, "Data", data); at != std::string_view::npos;
             at = FindTag(s, "Data", at + 1)) {
            std::size_t end = 0;
            auto value = TextAt(s, "Data", at, &end);
            if (!value) return false;
            e.data.push_back(std::move(*value));
            at = end - 1;
        }
    }
    e.message = Text(s, "Message");
    return true;
}

class EventStream {
  public:
    EventStream(std::istream& in) : in_(in) {}
    // More text, in UTF-8; false at the end.
    bool More(std::string& out) {
        char block[1 << 16];
        in_.read(block, sizeof block);
        std::string_view got(block, std::size_t(in_.gcount()));
        if (got.empty()) return false;
        bytes += got.size();
        if (first_) {
            first_ = false;
            if (got.substr(0, 3) == "\xEF\xBB\xBF")
                got.remove_prefix(3);
            else if (got.substr(0, 2) == "\xFF\xFE") {
                utf16_ = true;
                got.remove_prefix(2);
            }
        }
        if (!utf16_) {
            out.append(got);
            return true;
        }
        pending_.append(got);
        std::size_t i = 0;
        for (; i + 1 < pending_.size(); i += 2) {
            std::uint32_t unit = std::uint8_t(pending_[i]) | std::uint8_t(pending_[i + 1]) << 8;
            if (unit >= 0xD800 && unit < 0xDC00) {
                if (i + 3 >= pending_.size()) break;  // its partner in the next block
                const std::uint32_t low =
                    std::uint8_t(pending_[i + 2]) | std::uint8_t(pending_[i + 3]) << 8;
                if (low >= 0xDC00 && low < 0xE000) {
                    unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                    i += 2;
                } else {
                    unit = 0xFFFD;
                }
            } else if (unit >= 0xDC00 && unit < 0xE000) {
                unit = 0xFFFD;
            }
            AppendUtf8(out, unit);
        }
        pending_.erase(0, i);
        return true;
    }
    std::uint64_t bytes = 0;

  private:
    std::istream& in_;
    bool first_ = true, utf16_ = false;
    std::string pending_;
};

}  // namespace

void ReadEventXml(std::istream& in, std::string_view where, FleetTable& table, Health& health) {
    EventStream stream(in);
    std::string buffer;
    std::uint64_t number = 0;
    bool skipping = false;  // inside an event past the record limit
    bool more = true;
    std::size_t scanned = 0;
    log::ParsedEntry entry;
    auto at = [&] { return std::string(where) + ", event " + std::to_string(number); };
    while (more || !buffer.empty()) {
        // What was read is dropped from the front now and then, not after
        // each event: moving the rest forward each time cost more than
        // the reading.
        if (scanned >= RecordLimit) {
            buffer.erase(0, scanned);
            scanned = 0;
        }
        if (more && buffer.size() - scanned < 2 * RecordLimit) more = stream.More(buffer);
        if (skipping) {
            const std::size_t close = buffer.find("</Event>", scanned);
            if (close == std::string::npos) {
                buffer.erase(0, buffer.size() > 8 ? buffer.size() - 8 : 0);
                scanned = 0;
                if (!more) break;
                continue;
            }
            buffer.erase(0, close + 8);
            scanned = 0;
            skipping = false;
            continue;
        }
        const std::size_t begin = FindTag(buffer, "Event", scanned);
        if (begin == std::string::npos) {
            // Keep a tail that may hold the start of a tag.
            if (!more) break;
            buffer.erase(0, buffer.size() > 16 ? buffer.size() - 16 : 0);
            scanned = 0;
            continue;
        }
        const std::size_t close = buffer.find("</Event>", begin);
        if (close == std::string::npos) {
            if (buffer.size() - begin > RecordLimit) {
                ++number;
                health.Report(Problem::LongLine, at(),
                              "an event longer than " + std::to_string(RecordLimit) + " bytes");
                skipping = true;
                buffer.erase(0, begin + 1);
                scanned = 0;
                continue;
            }
            if (!more) {
                health.Report(Problem::UnfinishedLastLine, where,
                              "the file ends inside an event: it was cut off");
                break;
            }
            buffer.erase(0, begin);
            scanned = 0;
            continue;
        }
        ++number;
        const std::string_view text(buffer.data() + begin, close + 8 - begin);
        Event e;
        if (text.size() > RecordLimit) {
            health.Report(Problem::LongLine, at(),
                          "an event longer than " + std::to_string(RecordLimit) + " bytes");
        } else if (!Parse(text, e)) {
            health.Report(Problem::UnreadableRecord, at(), text.substr(0, 200));
        } else if (e.provider != text::ProductTitle && e.provider != text::WatchTitle) {
            ++health.recordsSkipped;
        } else {
            const Stream source =
                e.provider == text::ProductTitle ? Stream::Program : Stream::Watch;
            const std::size_t machine = table.Machine(e.computer);
            std::optional<std::int64_t> utc;
            std::int64_t seconds = 0;
            if (ParseIsoTime(e.time, seconds)) utc = seconds;
            if (e.id >= 100) {
                const std::string& body = e.data.size() >= 2 ? e.data[1] : e.message.value_or("");
                TakeFailure(table, machine, source, e.id, body, utc);
            } else {
                // The entry's line is the first insertion string; a rendered
                // message has it on a line of its own.
                bool found = !e.data.empty() && log::ParseEntry(e.data[0], entry);
                if (!found && e.data.empty() && e.message) {
                    std::string_view m = *e.message;
                    while (!found && !m.empty()) {
                        const std::size_t lf = m.find('\n');
                        std::string_view line = m.substr(0, lf);
                        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
                        found = log::ParseEntry(line, entry);
                        m = lf == std::string_view::npos ? std::string_view() : m.substr(lf + 1);
                    }
                }
                if (!found || std::uint16_t(log::EntryEvent(entry.action, entry.detail)) != e.id) {
                    health.Report(Problem::UnreadableRecord, at(),
                                  e.data.empty() ? e.message.value_or("") : e.data[0]);
                } else {
                    ++health.entriesRead;
                    if (utc) table.Offset(machine, Seconds(entry.time), *utc);
                    table.Entry(machine, source, EventLog, entry);
                }
            }
        }
        scanned = close + 8;
    }
    health.bytesRead += stream.bytes;
}

}  // namespace dormix::report
