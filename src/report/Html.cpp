// The page: headline figures, then charts, then tables, then the rules. Its
// charts are SVG written here rather than a chart library: a library means
// a script, and a page with a script is one a mail filter strips and an
// intranet's policy blocks; SVG needs neither, prints sharp on A4, and
// keeps the page one file that opens offline in any browser. The page's
// own policy forbids every fetch, so nothing in it can reach a network.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>

#include "log/SystemLog.h"
#include "report/Calendar.h"
#include "report/Writers.h"

namespace dormix::report {
namespace {

// The machines' labels in the grid: at most 18 characters, cut between
// characters with the start and the end kept ("building-…-101-pc01"), and a
// number added where two would still read the same.
std::vector<std::string> GridLabels(const std::vector<MachineSummary>& machines) {
    constexpr std::size_t Longest = 18, Head = 8, Tail = Longest - Head - 1;
    std::vector<std::string> labels;
    std::map<std::string, int> seen;
    for (const MachineSummary& m : machines) {
        std::vector<std::size_t> starts;  // of each character
        for (std::size_t i = 0; i < m.name.size(); ++i)
            if ((static_cast<unsigned char>(m.name[i]) & 0xC0) != 0x80) starts.push_back(i);
        std::string label = m.name;
        if (starts.size() > Longest)
            label = m.name.substr(0, starts[Head]) + "\u2026" +
                    m.name.substr(starts[starts.size() - Tail]);
        if (const int n = ++seen[label]; n > 1) label += "#" + std::to_string(n);
        labels.push_back(std::move(label));
    }
    return labels;
}

std::string Escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string Hours(std::int64_t seconds) { return Figure(double(seconds) / 3600.0, 1); }

constexpr const char* NightColours[NightKinds] = {"#eeeeee", "#2e7d32", "#a5d6a7",
                                                  "#c62828", "#ef6c00", "#6a1b9a",
                                                  "#1565c0", "#424242", "#f9d835"};

const char* Style = R"(
@page { size: A4; margin: 12mm; }
* { -webkit-print-color-adjust: exact; print-color-adjust: exact; }
body { font: 10pt/1.4 "DejaVu Sans", "Segoe UI", Arial, sans-serif; color: #222;
       margin: 1em auto; padding: 0 1em; }
@media print { body { max-width: 186mm; } }
h1 { font-size: 17pt; margin: 0 0 .2em; }
h2 { font-size: 12.5pt; margin: 1.4em 0 .4em; border-bottom: 1px solid #bbb; break-after: avoid; }
p.period { margin: 0 0 1em; color: #555; }
.headline { display: grid; grid-template-columns: repeat(3, 1fr); gap: .6em; }
.figure { border: 1px solid #ccc; border-radius: 4px; padding: .5em .7em; break-inside: avoid; }
.figure .value { display: block; font-size: 18pt; font-weight: bold; }
.figure .label { color: #555; }
svg { width: 100%; height: auto; display: block; }
svg text { font: 9px "DejaVu Sans", Arial, sans-serif; fill: #333; }
figure { margin: 0 0 1em; break-inside: avoid; }
figcaption { color: #555; font-size: 9pt; }
table { border-collapse: collapse; width: 100%; font-size: 9pt; margin-bottom: .8em; }
th, td { border-bottom: 1px solid #ddd; padding: .15em .4em; text-align: left; vertical-align: top; }
td.n, th.n { text-align: right; font-variant-numeric: tabular-nums; }
thead { display: table-header-group; }
tr { break-inside: avoid; }
.legend span { display: inline-block; margin-right: 1em; white-space: nowrap; }
.legend i { display: inline-block; width: .9em; height: .9em; margin-right: .3em; vertical-align: -.1em; border: 1px solid #999; }
.note { color: #555; font-size: 9pt; }
code { font-size: 9pt; }
)";

class Page {
  public:
    Page(std::ostream& out, const Summary& s, const Health& h, const Options& o)
        : out_(out), s_(s), h_(h), o_(o) {}

    void Write() {
        const double kwh = Kwh(o_, s_.total.offSeconds, s_.total.sleepSeconds);
        out_ << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
             << "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
                "style-src 'unsafe-inline'\">\n"
             << "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
             << "<title>Dormix Lite: the room, " << Period() << "</title>\n<style>" << Style
             << "</style></head>\n<body>\n<h1>Dormix Lite: the room</h1>\n<p class=\"period\">"
             << Period() << " (" << s_.Days() << (s_.Days() == 1 ? " day" : " days") << "), "
             << s_.machines.size() << " machines in the sources. Written by dormix-report "
             << log::ProgramVersion() << ".</p>\n";
        out_ << "<section class=\"headline\">\n";
        Headline("hours-off", Hours(s_.total.offSeconds), "hours off thanks to the program");
        Headline("kwh", Figure(kwh, 1), "kWh saved");
        Headline("money", Figure(kwh * o_.price, 2), "saved, at " + Figure(o_.price, 2) + " a kWh");
        Headline("co2", Figure(kwh * o_.co2, 1), "kg of CO2 saved");
        Headline("idle-on", Hours(s_.total.idleOnSeconds),
                 "hours on with nobody there (waits and refusals)");
        Headline("covered", std::to_string(s_.covered), "machines with entries in the period");
        Headline("never-off", std::to_string(s_.neverOff), "machines that never switched off");
        out_ << "</section>\n";
        DayBars();
        WeekBars();
        Grid();
        Causes();
        HourBars();
        ToLookAt();
        Rooms();
        AtTheLimit();
        Weeks();
        Machines();
        LogHealth();
        Rules();
        out_ << "</body></html>\n";
    }

  private:
    std::string Period() const { return IsoDate(s_.firstDay) + " to " + IsoDate(s_.lastDay); }

    void Headline(const char* id, const std::string& value, const std::string& label) {
        out_ << "<div class=\"figure\"><span class=\"value\" id=\"" << id << "\">" << value
             << "</span><span class=\"label\">" << Escaped(label) << "</span></div>\n";
    }

    // Bars of `values`, labelled below every `labelEvery`th.
    void Bars(const std::vector<double>& values, const std::vector<std::string>& labels,
              const std::vector<std::string>& tips, std::size_t labelEvery, const char* unit) {
        const double width = 720, height = 160, left = 40, bottom = 18, above = 8;
        double top = 0;
        for (double v : values) top = std::max(top, v);
        top = top > 0 ? NiceCeiling(top) : 1;
        out_ << "<svg viewBox=\"0 -" << above << ' ' << width << ' ' << height + bottom + above
             << "\" role=\"img\" xmlns=\"http://www.w3.org/2000/svg\">\n";
        for (int tick = 0; tick <= 4; ++tick) {
            const double y = height - height * tick / 4, value = top * tick / 4;
            out_ << "<line x1=\"" << left << "\" x2=\"" << width << "\" y1=\"" << y << "\" y2=\""
                 << y << "\" stroke=\"#ddd\"/><text x=\"" << left - 4 << "\" y=\"" << y + 3
                 << "\" text-anchor=\"end\">" << Figure(value, value == std::floor(value) ? 0 : 1)
                 << "</text>\n";
        }
        const double step = (width - left) / double(std::max<std::size_t>(values.size(), 1));
        for (std::size_t i = 0; i < values.size(); ++i) {
            const double h = height * values[i] / top;
            out_ << "<rect x=\"" << Short(left + step * double(i) + step * 0.1) << "\" y=\""
                 << Short(height - h) << "\" width=\"" << Short(step * 0.8) << "\" height=\""
                 << Short(h) << "\" fill=\"#2e7d32\"><title>" << Escaped(tips[i]) << ": "
                 << Figure(values[i], 1) << ' ' << unit << "</title></rect>\n";
            if (i % labelEvery == 0)
                out_ << "<text x=\"" << Short(left + step * double(i)) << "\" y=\"" << height + 12
                     << "\">" << Escaped(labels[i]) << "</text>\n";
        }
        out_ << "</svg>\n";
    }

    void DayBars() {
        out_ << "<h2>Hours off per day</h2>\n<figure>";
        std::vector<double> values(std::size_t(std::max(0, s_.Days())));
        std::vector<std::string> labels, tips;
        for (const MachineSummary& m : s_.machines)
            for (std::size_t i = 0; i < m.days.size(); ++i)
                values[i] += m.days[i].offSeconds / 3600.0;
        for (std::size_t i = 0; i < values.size(); ++i) {
            tips.push_back(IsoDate(s_.firstDay + std::int32_t(i)));
            labels.push_back(tips.back().substr(5));
        }
        Bars(values, labels, tips, std::max<std::size_t>(1, values.size() / 10), "h");
        out_ << "<figcaption>All machines' hours off, counted on the day they fell "
                "on.</figcaption></figure>\n";
    }

    // The trend: hours off and hours on with nobody there, week by week
    // (Monday to Sunday), where the period holds three weeks or more.
    void WeekBars() {
        if (s_.Days() < 21) return;
        out_ << "<h2>Week by week</h2>\n<figure>";
        std::vector<double> off, idle;
        std::vector<std::string> labels, tips;
        for (std::int32_t start = s_.firstDay; start <= s_.lastDay;) {
            std::int32_t end = start;
            while (end < s_.lastDay && Weekday(end) != 6) ++end;
            double o = 0, i = 0;
            for (const MachineSummary& m : s_.machines)
                for (std::int32_t d = start; d <= end; ++d) {
                    o += m.days[std::size_t(d - s_.firstDay)].offSeconds / 3600.0;
                    i += m.days[std::size_t(d - s_.firstDay)].idleOnSeconds / 3600.0;
                }
            off.push_back(o);
            idle.push_back(i);
            tips.push_back("week from " + IsoDate(start));
            labels.push_back(IsoDate(start).substr(5));
            start = end + 1;
        }
        Bars(off, labels, tips, std::max<std::size_t>(1, off.size() / 10), "h");
        out_ << "<figcaption>Hours off thanks to the program, each week.</figcaption>";
        Bars(idle, labels, tips, std::max<std::size_t>(1, idle.size() / 10), "h");
        out_ << "<figcaption>Hours on with nobody there, each week.</figcaption></figure>\n";
    }

    // Each room's figures, where the names tell rooms: a host name's domain,
    // or the folder above a machine's folder.
    void Rooms() {
        struct Room {
            std::size_t machines = 0, neverOff = 0;
            std::int64_t off = 0, idle = 0;
        };
        std::map<std::string, Room> rooms;
        for (const MachineSummary& m : s_.machines) {
            Room& r = rooms[m.room];
            ++r.machines;
            r.neverOff += m.cause != Cause::None;
            r.off += m.total.offSeconds;
            r.idle += m.total.idleOnSeconds;
        }
        if (rooms.size() < 2) return;
        out_ << "<h2>Rooms</h2>\n<table id=\"rooms\"><thead><tr><th>room</th><th class=\"n\">"
                "machines</th><th class=\"n\">hours off</th><th class=\"n\">hours on, nobody "
                "there</th><th class=\"n\">never off</th></tr></thead><tbody>\n";
        for (const auto& [name, r] : rooms)
            out_ << "<tr><td>" << Escaped(name.empty() ? "(no room)" : name)
                 << "</td><td class=\"n\">" << r.machines << "</td><td class=\"n\">" << Hours(r.off)
                 << "</td><td class=\"n\">" << Hours(r.idle) << "</td><td class=\"n\">"
                 << r.neverOff << "</td></tr>\n";
        out_ << "</tbody></table>\n";
    }

    void HourBars() {
        out_ << "<h2>Hours off by hour of the day</h2>\n<figure>";
        std::vector<double> values;
        std::vector<std::string> labels, tips;
        for (int hour = 0; hour < 24; ++hour) {
            values.push_back(s_.hourSeconds[std::size_t(hour)] / 3600.0);
            char text[16];
            std::snprintf(text, sizeof text, "%02d", hour);
            labels.push_back(text);
            tips.push_back(std::string(text) + ":00");
        }
        Bars(values, labels, tips, 2, "h");
        out_ << "<figcaption>When, by the machines' own clocks, the hours off "
                "fell.</figcaption></figure>\n";
    }

    void Legend() {
        out_ << "<p class=\"legend\">";
        for (std::size_t k = 0; k < NightKinds; ++k)
            out_ << "<span><i style=\"background:" << NightColours[k] << "\"></i>"
                 << NightName(Night(k)) << "</span>";
        out_ << "</p>\n";
    }

    // One row a machine; one column a day, or a week where the period is
    // longer than two months, so a year of a large fleet stays readable and
    // small. Neighbouring columns of the same colour are one rectangle.
    void Grid() {
        const std::size_t days = std::size_t(std::max(0, s_.Days()));
        const std::size_t span = days > 62 ? 7 : 1;  // days a column
        const std::size_t columns = (days + span - 1) / span;
        out_ << "<h2>Each machine, each " << (span == 7 ? "week" : "day") << "</h2>\n<figure>";
        const double width = 720, left = 90, row = 9, top = 16;
        const double cell = (width - left) / double(std::max<std::size_t>(columns, 1));
        const double height = row * double(s_.machines.size()) + top;
        out_ << "<svg viewBox=\"0 0 " << width << ' ' << height
             << "\" role=\"img\" xmlns=\"http://www.w3.org/2000/svg\">\n<style>";
        for (std::size_t k = 0; k < NightKinds; ++k)
            out_ << ".k" << k << "{fill:" << NightColours[k] << "}";
        out_ << ".we{fill:#999}</style>\n";
        const std::size_t labelEvery = std::max<std::size_t>(1, columns / 10);
        for (std::size_t c = 0; c < columns; c += labelEvery)
            out_ << "<text x=\"" << Short(left + cell * double(c)) << "\" y=\"9\">"
                 << IsoDate(s_.firstDay + std::int32_t(c * span)).substr(5) << "</text>";
        // Saturdays and Sundays marked above their columns.
        if (span == 1)
            for (std::size_t d = 0; d < days; ++d)
                if (Weekday(s_.firstDay + std::int32_t(d)) >= 5)
                    out_ << "<rect x=\"" << Short(left + cell * double(d)) << "\" y=\"11\" width=\""
                         << Short(std::max(cell - 0.5, 0.3)) << "\" height=\"3\" class=\"we\"/>";
        const std::vector<std::string> labels = GridLabels(s_.machines);
        for (std::size_t r = 0; r < s_.machines.size(); ++r) {
            const MachineSummary& m = s_.machines[r];
            const double y = top + row * double(r);
            out_ << "\n<text x=\"" << left - 4 << "\" y=\"" << y + row - 2
                 << "\" text-anchor=\"end\"><title>" << Escaped(m.name) << "</title>"
                 << Escaped(labels[r]) << "</text>";
            std::size_t from = 0;
            for (std::size_t c = 0; c <= columns; ++c) {
                if (c < columns && (c == 0 || Kind(m, c, span) == Kind(m, from, span))) continue;
                out_ << "<rect x=\"" << Short(left + cell * double(from)) << "\" y=\"" << y
                     << "\" width=\"" << Short(std::max(cell * double(c - from) - 0.5, 0.3))
                     << "\" height=\"" << row - 1 << "\" class=\"k" << Kind(m, from, span)
                     << "\"/>";
                from = c;
            }
        }
        out_ << "\n</svg>\n";
        Legend();
        out_ << "<figcaption>One row a machine, one column a "
             << (span == 7 ? "week: switched off if any night of it was, else what most of its "
                             "days came to."
                           : "day: what the day (and the night after it) came to; grey marks "
                             "above the columns are Saturdays and Sundays.")
             << "</figcaption></figure>\n";
    }

    // The colour of a column: the day's night, or the week's.
    static int Kind(const MachineSummary& m, std::size_t column, std::size_t span) {
        const std::size_t first = column * span, end = std::min(first + span, m.days.size());
        std::array<int, NightKinds> count{};
        for (std::size_t d = first; d < end; ++d) ++count[std::size_t(m.days[d].night)];
        if (first >= end) return int(Night::NoEntries);
        if (span == 1) return int(m.days[first].night);
        if (count[std::size_t(Night::Off)]) return int(Night::Off);
        return int(std::max_element(count.begin(), count.end()) - count.begin());
    }

    void Causes() {
        out_ << "<h2>Why machines stayed on</h2>\n<figure>";
        const Night kinds[] = {Night::Cancelled, Night::OtherUser, Night::Held,
                               Night::Refused,   Night::Exited,    Night::NeverIdle};
        std::uint64_t top = 1;
        for (Night k : kinds) top = std::max(top, s_.nights[std::size_t(k)]);
        const double width = 720, left = 170, row = 20;
        out_ << "<svg viewBox=\"0 0 " << width << ' ' << row * 6
             << "\" role=\"img\" xmlns=\"http://www.w3.org/2000/svg\">\n";
        for (std::size_t i = 0; i < 6; ++i) {
            const std::uint64_t n = s_.nights[std::size_t(kinds[i])];
            const double w = (width - left - 60) * double(n) / double(top);
            const double y = row * double(i);
            out_ << "<text x=\"" << left - 6 << "\" y=\"" << y + 13 << "\" text-anchor=\"end\">"
                 << NightName(kinds[i]) << "</text><rect x=\"" << left << "\" y=\"" << y + 3
                 << "\" width=\"" << Short(w) << "\" height=\"" << row - 6 << "\" fill=\""
                 << NightColours[std::size_t(kinds[i])] << "\"/><text x=\"" << Short(left + w + 4)
                 << "\" y=\"" << y + 13 << "\">" << n << "</text>\n";
        }
        out_ << "</svg><figcaption>Machine-days that ended with the machine on, by what "
                "happened last.</figcaption></figure>\n";
    }

    // The machines that cost most: by the hours they stayed on with nobody
    // there, then those that never switched off; at most 30 rows.
    void ToLookAt() {
        out_ << "<h2>Machines to look at</h2>\n";
        std::vector<const MachineSummary*> rows;
        for (const MachineSummary& m : s_.machines)
            if (m.total.idleOnSeconds > 0 || m.cause != Cause::None) rows.push_back(&m);
        if (rows.empty()) {
            out_ << "<p>Every machine switched off, and none stayed on with nobody there.</p>\n";
            return;
        }
        std::stable_sort(rows.begin(), rows.end(), [](const auto* a, const auto* b) {
            return a->total.idleOnSeconds > b->total.idleOnSeconds;
        });
        out_ << "<table id=\"to-look-at\"><thead><tr><th>machine</th><th class=\"n\">hours on, "
                "nobody there</th><th class=\"n\">nights off</th><th>likeliest cause</th>"
                "<th class=\"n\">other user</th><th class=\"n\">held</th><th class=\"n\">"
                "refused</th></tr></thead><tbody>\n";
        for (std::size_t i = 0; i < rows.size() && i < 30; ++i) {
            const MachineSummary& m = *rows[i];
            const DayTotals& t = m.total;
            out_ << "<tr><td>" << Escaped(m.name) << "</td><td class=\"n\">"
                 << Hours(t.idleOnSeconds) << "</td><td class=\"n\">" << t.powerOffs << "</td><td>"
                 << Escaped(m.cause == Cause::None ? "" : m.causeText) << "</td><td class=\"n\">"
                 << t.otherUserWaits + t.endedByOther << "</td><td class=\"n\">" << t.heldWaits
                 << "</td><td class=\"n\">" << t.refused << "</td></tr>\n";
        }
        out_ << "</tbody></table>\n";
        if (rows.size() > 30)
            out_ << "<p class=\"note\">" << rows.size() - 30
                 << " more in the table per machine below.</p>\n";
    }

    void Row(const std::string& what, std::uint64_t n) {
        out_ << "<tr><td>" << Escaped(what) << "</td><td class=\"n\">" << n << "</td></tr>\n";
    }

    void AtTheLimit() {
        const DayTotals& t = s_.total;
        out_ << "<h2>What happened at the limit</h2>\n<table><tbody>\n";
        Row("countdowns begun", t.countdowns);
        Row("cancelled (someone was there)", t.cancelled);
        Row("ended by another user's session", t.endedByOther);
        Row("waits for other users", t.otherUserWaits);
        Row("waits for holds", t.heldWaits);
        Row("holds that ran out", t.holdsExpired);
        Row("power-offs requested", t.powerOffs);
        Row("power-offs refused or failed", t.refused);
        out_ << "</tbody></table>\n";
        Names("Holders the system's log named", &MachineSummary::holders);
        Names("Refused or failed power-offs, with the error", &MachineSummary::errors);
    }

    void Names(const char* title, std::map<std::string, std::uint32_t> MachineSummary::*names) {
        bool any = false;
        for (const MachineSummary& m : s_.machines) {
            for (const auto& [name, n] : m.*names) {
                if (!any) {
                    out_ << "<table><thead><tr><th>machine</th><th>" << title
                         << "</th><th class=\"n\">times</th></tr></thead><tbody>\n";
                    any = true;
                }
                out_ << "<tr><td>" << Escaped(m.name) << "</td><td>" << Escaped(name)
                     << "</td><td class=\"n\">" << n << "</td></tr>\n";
            }
        }
        if (any) out_ << "</tbody></table>\n";
    }

    void Weeks() {
        out_ << "<h2>Per week</h2>\n<table><thead><tr><th>week from</th><th class=\"n\">hours off"
                "</th><th class=\"n\">kWh</th><th class=\"n\">money</th><th class=\"n\">kg CO2"
                "</th><th class=\"n\">power-offs</th></tr></thead><tbody>\n";
        for (std::int32_t start = s_.firstDay; start <= s_.lastDay;) {
            std::int32_t end = start;
            while (end < s_.lastDay && Weekday(end) != 6) ++end;
            std::int64_t seconds = 0, asleep = 0;
            std::uint64_t offs = 0;
            for (const MachineSummary& m : s_.machines)
                for (std::int32_t d = start; d <= end; ++d) {
                    const DayTotals& day = m.days[std::size_t(d - s_.firstDay)];
                    seconds += day.offSeconds;
                    asleep += day.sleepSeconds;
                    offs += day.powerOffs;
                }
            const double kwh = Kwh(o_, seconds, asleep);
            out_ << "<tr><td>" << IsoDate(start) << "</td><td class=\"n\">" << Hours(seconds)
                 << "</td><td class=\"n\">" << Figure(kwh, 1) << "</td><td class=\"n\">"
                 << Figure(kwh * o_.price, 2) << "</td><td class=\"n\">" << Figure(kwh * o_.co2, 1)
                 << "</td><td class=\"n\">" << offs << "</td></tr>\n";
            start = end + 1;
        }
        out_ << "</tbody></table>\n";
    }

    // Which action the machine's requests asked for: "hibernate", or each
    // with its count where it used more than one.
    static std::string Actions(const DayTotals& t) {
        const std::pair<const char*, std::uint32_t> used[] = {
            {"power off", t.powerOffs - t.hibernates - t.sleeps},
            {"hibernate", t.hibernates},
            {"sleep", t.sleeps}};
        int kinds = 0;
        for (const auto& [word, n] : used) kinds += n > 0;
        std::string out;
        for (const auto& [word, n] : used)
            if (n)
                out += (out.empty() ? "" : ", ") + std::string(word) +
                       (kinds > 1 ? " " + std::to_string(n) : "");
        return out;
    }

    void Machines() {
        out_ << "<h2>Per machine</h2>\n<table><thead><tr><th>machine</th><th class=\"n\">hours off"
                "</th><th class=\"n\">kWh</th><th class=\"n\">power-offs</th><th>action</th>"
                "<th class=\"n\">countdowns</th><th class=\"n\">cancelled</th><th "
                "class=\"n\">other user</th>"
                "<th class=\"n\">held</th><th class=\"n\">refused</th><th>last entry</th>"
                "<th>from</th></tr></thead><tbody>\n";
        for (const MachineSummary& m : s_.machines) {
            const DayTotals& t = m.total;
            std::string routes;
            if (m.routes & TextLog) routes += "log ";
            if (m.routes & Journal) routes += "journal ";
            if (m.routes & EventLog) routes += "events";
            out_ << "<tr><td>" << Escaped(m.name) << "</td><td class=\"n\">" << Hours(t.offSeconds)
                 << "</td><td class=\"n\">" << Figure(Kwh(o_, t.offSeconds, t.sleepSeconds), 1)
                 << "</td><td class=\"n\">" << t.powerOffs << "</td><td>" << Actions(t)
                 << "</td><td class=\"n\">" << t.countdowns << "</td><td class=\"n\">"
                 << t.cancelled << "</td><td class=\"n\">" << t.otherUserWaits + t.endedByOther
                 << "</td><td class=\"n\">" << t.heldWaits << "</td><td class=\"n\">" << t.refused
                 << "</td><td>" << (m.lastDaySeen == INT32_MIN ? "none" : IsoDate(m.lastDaySeen))
                 << "</td><td>" << routes << "</td></tr>\n";
        }
        out_ << "</tbody></table>\n";
    }

    void LogHealth() {
        out_ << "<h2>Log health</h2>\n<p>" << h_.filesRead << " files read ("
             << Figure(double(h_.bytesRead) / 1e6, 1) << " MB), " << h_.entriesRead
             << " entries read, " << s_.entries << " distinct entries in the period; "
             << s_.testEntries << " entries of Test runs and " << s_.outside
             << " outside the period left out; " << h_.recordsSkipped
             << " records of other programs passed over.</p>\n";
        if (!h_.Total()) {
            out_ << "<p id=\"log-problems\">No problems found in the sources.</p>\n";
        } else {
            out_ << "<table id=\"log-problems\"><thead><tr><th>problem</th><th class=\"n\">count"
                    "</th><th>first ones</th></tr></thead><tbody>\n";
            for (std::size_t i = 0; i < ProblemKinds; ++i) {
                const Problem p = Problem(i);
                if (!h_.Count(p)) continue;
                out_ << "<tr><td>" << ProblemName(p) << "</td><td class=\"n\">" << h_.Count(p)
                     << "</td><td>";
                for (const Sample& sample : h_.Samples(p))
                    out_ << "<div><code>" << Escaped(sample.where)
                         << "</code>: " << Escaped(sample.detail) << "</div>";
                out_ << "</td></tr>\n";
            }
            out_ << "</tbody></table>\n";
        }
        if (!s_.failures.empty()) {
            out_ << "<p>Failures the system's log reported (event id: times): ";
            bool first = true;
            for (const auto& [id, n] : s_.failures) {
                out_ << (first ? "" : ", ") << id << ": " << n;
                first = false;
            }
            out_ << ". The README's table of event ids says what each is.</p>\n";
        }
    }

    void Rules() {
        out_ << "<h2>How the figures are made</h2>\n<ul>\n"
             << "<li><b>Off thanks to the program:</b> from a \"Close\" entry (the "
                "program's or the system watch's; \"Power Off\", or \"Hibernate\" or "
                "\"Sleep\" where the administrator chose them) to that machine's next "
                "\"Start\" or \"Wake\", or to the "
                "first entry of any other kind more than "
             << RefusalWindow / 60
             << " minutes later, which shows it running, or to the end of the period. Split "
                "by day and by hour of the machine's own clock.</li>\n"
             << "<li><b>Energy, money, CO2:</b> those hours &times; (" << Figure(o_.wattsOn, 0)
             << " W on &minus; " << Figure(o_.wattsOff, 0) << " W off or hibernated, or "
             << Figure(o_.wattsSleep, 0) << " W asleep), at " << Figure(o_.price, 2)
             << " a kWh and " << Figure(o_.co2, 2)
             << " kg of CO2 a kWh. The assumption: "
                "without the program the machine would have run until its next start. A "
                "machine switched off before the period begins counts off from the period's "
                "start, so reports of consecutive periods add up to one of the whole; the last "
                "stretch ends with the period, or when the report runs if that is earlier. "
                "Where the journal or event export gives each entry's UTC time, a night across a "
                "daylight-saving change counts the hours that passed, and the system's refusals "
                "are placed by the offset in force when each was written; a text log alone is "
                "read in the machine's local time.</li>\n"
             << "<li><b>At the limit:</b> a countdown begun is \"Enter, Power Off\"; one ended by "
                "\"Reset, Power Off\" before its full count was cancelled by someone there; at its "
                "full count (as in its \"Close\" entries, else as the settings in force at its "
                "start said in the journal or event export, else 60 seconds) another user's "
                "session "
                "or, in logs older than the \"Wait, Held\" entry, a program's hold ended it: "
                "another user where the log has \"Wait, Other User\" entries, a program where the "
                "journal or event export names a holder, else \"another user or a program\". Waits "
                "are the \"Wait, Other User\", \"Wait, Held\" and \"Wait, "
                "Locked\" entries, holds that ran out \"Expire, Hold\". A refused or failed "
                "power-off is a \"Refuse, Power Off\" entry after its \"Close\" (logs written "
                "since that entry exists) or a refusal in the system's log, counted once; the "
                "holders' names come from the system's log (journal or event export). A text log "
                "of an older version alone cannot tell a refused power-off from a done one.</li>\n"
             << "<li><b>On with nobody there:</b> from a \"Wait, Other User\", \"Wait, Held\" "
                "or \"Wait, Locked\" entry, or a refused power-off, to the machine's next entry "
                "(someone back at it leaves none); a hold's wait at most the cap on holds "
                "(HoldLimitSeconds as the settings said, else 4 hours), since a hold that ends "
                "or runs out brings a countdown into the log. Windows of the schedule without "
                "a limit leave no entry and are not counted. Machines to look at are ranked by "
                "these hours.</li>\n"
             << "<li><b>Each day</b> is coloured \"switched off\" if a power-off was requested "
                "(and not refused) that day, else by the last thing that happened in it.</li>\n"
             << "<li><b>Never switched off:</b> a machine without a power-off in the period; its "
                "likeliest cause: no entries at all, no entries after a date, the program ended "
                "(Exit) and never came back, refused power-offs, or what most of its days ended "
                "in: cancelled, another user (or a program), held (by whom), the program ended "
                "before the limit (a log-off or shutdown each evening), or never idle for the "
                "limit. A "
                "log stops when a working day (Monday to Friday) after its last entry, before "
                "the period's last day, has none: a machine off at the weekend has not "
                "stopped.</li>\n"
             << "<li><b>The same entry</b> reached by two routes (the text log and the journal or "
                "event export of one machine) counts once: entries are the same when machine, "
                "time, words, count and writing program are. Entries of Test runs never "
                "count.</li>\n"
             << "<li><b>Machine names:</b> in a folder given as a source, a text log's machine "
                "is the first folder below it that is no Log folder (pc01/Log/DormixL.log and "
                "pc01/alice/DormixL.log are pc01's; every folder joined below a machine is "
                "listed under the logs' health), and its room the source folder's name; a file "
                "given alone, or at the top of a source, belongs to its nearest folder that is "
                "no Log folder. Journal and event exports name their host, and a host name's "
                "domain is its room. Names are compared without case, in any script, and with "
                "their domain; a short name joins the one full name that begins with it, and "
                "one that fits several is kept apart and listed.</li>\n"
             << "<li>The period: " << Period()
             << (o_.from || o_.to ? " (as asked)" : " (from the first to the last entry read)")
             << ".</li>\n</ul>\n<p class=\"note\">This page is one file: its charts are drawn "
                "in it, it runs no script and fetches nothing, so it opens offline in any "
                "browser, can be mailed or archived as it is, and prints on A4.</p>\n";
    }

    static double NiceCeiling(double v) {
        const double power = std::pow(10.0, std::floor(std::log10(v)));
        for (double m : {1.0, 2.0, 2.5, 5.0, 10.0})
            if (v <= m * power) return m * power;
        return 10 * power;
    }
    static std::string Short(double v) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.2f", v);
        std::string s = buffer;
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
        return s;
    }

    std::ostream& out_;
    const Summary& s_;
    const Health& h_;
    const Options& o_;
};

}  // namespace

std::string Figure(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string digits = buffer;
    const std::size_t point = digits.find('.');
    std::size_t end = point == std::string::npos ? digits.size() : point;
    const std::size_t first = digits[0] == '-' ? 1 : 0;
    while (end > first + 3) {
        end -= 3;
        digits.insert(end, 1, ',');
    }
    return digits;
}

void WriteHtml(std::ostream& out, const Summary& s, const Health& h, const Options& o) {
    Page(out, s, h, o).Write();
}

}  // namespace dormix::report
