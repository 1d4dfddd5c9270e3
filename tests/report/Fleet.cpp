#include "Fleet.h"

#include <fstream>

#include "log/LogFormat.h"
#include "log/SystemLog.h"
#include "report/Calendar.h"
#include "ui/Texts.h"
#include "watch/Watch.h"

namespace dormix::report::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::string_view_literals;

constexpr std::string_view English[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::string_view French[] = {"janv.",
                                       "f\xC3\xA9vr.",
                                       "mars",
                                       "avril",
                                       "mai",
                                       "juin",
                                       "juil.",
                                       "ao\xC3\xBBt",
                                       "sept.",
                                       "oct.",
                                       "nov.",
                                       "d\xC3\xA9"
                                       "c."};

log::LocalTime Local(std::int64_t seconds, bool french) {
    const Date d = DateOf(std::int32_t(seconds / 86400));
    const int s = int(seconds % 86400);
    return {d.year,
            d.month,
            d.day,
            s / 3600,
            s / 60 % 60,
            s % 60,
            std::string((french ? French : English)[d.month - 1])};
}

std::string Line(const MachineScript& m, const ScriptEntry& e) {
    return log::FormatEntry(Local(e.local, m.french), e.action, e.detail, e.test,
                            std::int16_t(e.count));
}

std::string Json(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        if (c == '\r') {
            out += "\\r";
            continue;
        }
        out += c;
    }
    return out + "\"";
}

std::string Xml(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '<')
            out += "&lt;";
        else if (c == '&')
            out += "&amp;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '\'')
            out += "&apos;";
        else if (c == '\r')
            out += "&#13;";
        else
            out += c;
    }
    return out;
}

std::string IsoUtc(std::int64_t utc) {
    const Date d = DateOf(std::int32_t(utc / 86400));
    const int s = int(utc % 86400);
    char out[48];
    std::snprintf(out, sizeof out, "%04d-%02d-%02dT%02d:%02d:%02d.1234567Z", d.year, d.month, d.day,
                  s / 3600, s / 60 % 60, s % 60);
    return out;
}

// `asleep`: the action the machine went down with the night before, if it
// hibernated or slept.
void Day(MachineScript& m, std::int64_t day, DayPlan plan, bool& running,
         std::string_view& asleep) {
    using namespace text;
    auto at = [&](int h, int mi, int s) { return day + h * 3600 + mi * 60 + s; };
    auto add = [&](std::int64_t t, std::string_view a, std::string_view d, int count) {
        m.entries.push_back({t, a, d, count});
    };
    if (plan == DayPlan::Away) {
        running = false;
        return;
    }
    if (!asleep.empty()) {
        add(at(8, 0, 0), LogWake, asleep, 60);
        add(at(8, 0, 2), LogEnter, LogRun, 0);
        asleep = {};
    } else if (!running) {
        add(at(8, 0, 0), LogStart, LogInitialise, 2);
        add(at(8, 0, 2), LogEnter, LogRun, 0);
        running = true;
    }
    switch (plan) {
        case DayPlan::Off:
            add(at(18, 0, 0), LogEnter, ActionPowerOff, 0);
            add(at(18, 1, 0), LogClose, ActionPowerOff, 60);
            running = false;
            break;
        case DayPlan::WatchOff:
            add(at(18, 59, 0), LogEnter, ActionPowerOff, 0);
            add(at(19, 0, 0), LogClose, ActionPowerOff, 60);
            running = false;
            break;
        case DayPlan::Cancelled:
            add(at(18, 0, 0), LogEnter, ActionPowerOff, 0);
            add(at(18, 0, 20), LogReset, ActionPowerOff, 20);
            break;
        case DayPlan::Held:
            add(at(18, 0, 0), LogWait, LogHeld, 900);
            m.failures.push_back({at(18, 0, 0), std::uint16_t(log::SystemEvent::HeldBy),
                                  Fill(HoldsTitle, {ProductTitle}),
                                  Fill(HeldBy, {"\"Videos\": Playing a film", "4 hours"})});
            break;
        case DayPlan::OtherUser:
            add(at(18, 0, 0), LogWait, LogOtherUser, 900);
            add(at(19, 0, 0), LogEnter, ActionPowerOff, 0);
            add(at(19, 1, 0), LogReset, ActionPowerOff, 60);
            break;
        case DayPlan::Locked:
            add(at(18, 0, 0), LogEnter, ActionPowerOff, 0);
            add(at(18, 1, 0), LogClose, ActionPowerOff, 60);
            add(at(18, 1, 0), LogRefuse, ActionPowerOff, 60);
            add(at(18, 1, 0), LogWait, LogHeld, 900);
            add(at(18, 5, 0), LogEnter, ActionPowerOff, 0);
            add(at(18, 6, 0), LogClose, ActionPowerOff, 60);
            running = false;
            break;
        case DayPlan::Refused:
            add(at(18, 0, 0), LogEnter, ActionPowerOff, 0);
            add(at(18, 1, 0), LogClose, ActionPowerOff, 60);
            add(at(18, 1, 0), LogRefuse, ActionPowerOff, 60);
            m.failures.push_back({at(18, 1, 1), std::uint16_t(log::SystemEvent::ProgramError),
                                  Fill(ProgramErrorTitle, {ProductTitle}),
                                  std::string(ProgramErrorHeading) + "\r\n" +
                                      std::string(ProgramErrorNumber) + "-2147220949\r\n" +
                                      std::string(ProgramErrorDescription) +
                                      std::string(ShutdownFailed) + "Access is denied."});
            running = false;  // the program ended; its user starts it next morning
            break;
        case DayPlan::Exit:
            add(at(17, 0, 0), LogExit, LogRun, 120);
            break;
        case DayPlan::FullCount:
            add(at(18, 0, 0), LogEnter, ActionPowerOff, 0);
            add(at(18, 1, 0), LogReset, ActionPowerOff, 60);
            break;
        case DayPlan::LogOff:
            add(at(17, 0, 0), LogExit, LogRun, 120);
            running = false;
            break;
        case DayPlan::Hibernate:
        case DayPlan::Sleep:
            asleep = ActionWords[plan == DayPlan::Hibernate ? 1 : 2];
            add(at(18, 0, 0), LogEnter, asleep, 0);
            add(at(18, 1, 0), LogClose, asleep, 60);
            break;
        case DayPlan::Busy:
        case DayPlan::Away:
            break;
    }
}

}  // namespace

MachineScript Script(std::string name, std::int32_t firstDay, const std::vector<DayPlan>& plans) {
    MachineScript m;
    m.name = std::move(name);
    bool running = false;
    std::string_view asleep;
    for (std::size_t i = 0; i < plans.size(); ++i) {
        Day(m, std::int64_t(firstDay + std::int32_t(i)) * 86400, plans[i], running, asleep);
        if (plans[i] == DayPlan::Exit) break;
    }
    return m;
}

void WriteTextLog(const fs::path& root, const MachineScript& m) {
    // The name is UTF-8, which a narrow path on Windows is not.
    const fs::path folder = root / fs::path(std::u8string(m.name.begin(), m.name.end()));
    fs::create_directories(folder);
    const std::string_view file =
        m.stream == Stream::Watch ? watch::LogFileName : text::LogFileName;
    std::ofstream out(folder / file, std::ios::binary);
    out << log::CreationHeader(Local(m.entries.empty() ? 0 : m.entries.front().local, m.french))
        << text::LineBreak;
    for (const ScriptEntry& e : m.entries) {
        if (e.action == text::LogStart) out << log::StartBanner() << text::LineBreak;
        out << Line(m, e) << text::LineBreak;
    }
}

void WriteJournal(std::ostream& out, const MachineScript& m) {
    const std::string identifier =
        m.stream == Stream::Watch ? "dormix-lite-watch" : std::string(text::ExeBaseName);
    auto common = [&](std::int64_t local, int id) {
        out << "{\"__REALTIME_TIMESTAMP\":\"" << (local - m.OffsetAt(local)) * 1000000 + 250000
            << "\",\"_HOSTNAME\":\"" << m.name << "\",\"SYSLOG_IDENTIFIER\":\"" << identifier
            << "\",\"PRIORITY\":\"6\",\"DORMIX_EVENT_ID\":\"" << id << "\",\"DORMIX_VERSION\":\""
            << log::ProgramVersion() << '"';
    };
    std::size_t f = 0;
    for (const ScriptEntry& e : m.entries) {
        for (; f < m.failures.size() && m.failures[f].local <= e.local; ++f) {
            common(m.failures[f].local, m.failures[f].id);
            std::string message = m.failures[f].title + "\n";
            for (char c : m.failures[f].text)
                if (c != '\r') message += c;
            out << ",\"MESSAGE\":" << Json(message)
                << ",\"DORMIX_TITLE\":" << Json(m.failures[f].title)
                << ",\"DORMIX_ERROR_NUMBER\":\"0\"}\n";
        }
        common(e.local, int(log::EntryEvent(e.action, e.detail)));
        out << ",\"MESSAGE\":" << Json(Line(m, e)) << ",\"DORMIX_ACTION\":" << Json(e.action)
            << ",\"DORMIX_DETAIL\":" << Json(e.detail) << ",\"DORMIX_COUNT\":\"" << e.count
            << "\",\"DORMIX_PHASE\":\"Monitoring\",\"DORMIX_TEST_MODE\":\"" << (e.test ? 1 : 0)
            << "\",\"DORMIX_INHIBIT_SHUTDOWN\":\"0\"}\n";
    }
    for (; f < m.failures.size(); ++f) {
        common(m.failures[f].local, m.failures[f].id);
        out << ",\"MESSAGE\":" << Json(m.failures[f].title + "\n" + m.failures[f].text) << "}\n";
    }
}

void WriteEvents(std::ostream& out, const MachineScript& m) {
    const std::string_view provider =
        m.stream == Stream::Watch ? text::WatchTitle : text::ProductTitle;
    std::uint64_t record = 0;
    auto event = [&](std::int64_t local, int id, const std::vector<std::string>& data) {
        out << "<Event xmlns='http://schemas.microsoft.com/win/2004/08/events/event'><System>"
               "<Provider Name='"
            << provider << "'/><EventID Qualifiers='16384'>" << id
            << "</EventID><Level>4</Level><Task>0</Task><Keywords>0x80000000000000</Keywords>"
               "<TimeCreated SystemTime='"
            << IsoUtc(local - m.OffsetAt(local)) << "'/><EventRecordID>" << ++record
            << "</EventRecordID><Channel>Application</Channel><Computer>" << m.name
            << ".lab.example</Computer><Security/></System><EventData>";
        for (const std::string& d : data) out << "<Data>" << Xml(d) << "</Data>";
        out << "</EventData></Event>\r\n";
    };
    std::size_t f = 0;
    // The failures in time order among the entries: each one before the
    // entry it precedes, or within a second after the one it follows.
    auto failuresUntil = [&](std::int64_t until) {
        for (; f < m.failures.size() && m.failures[f].local <= until; ++f)
            event(m.failures[f].local, m.failures[f].id,
                  {m.failures[f].title, m.failures[f].text, "0", "DormixL",
                   std::string(log::ProgramVersion())});
    };
    for (const ScriptEntry& e : m.entries) {
        failuresUntil(e.local - 1);
        event(e.local, int(log::EntryEvent(e.action, e.detail)),
              {Line(m, e), std::string(e.action), std::string(e.detail), std::to_string(e.count),
               "Monitoring", e.test ? "1" : "0", "0", std::string(log::ProgramVersion())});
        failuresUntil(e.local + 1);
    }
    failuresUntil(INT64_MAX);
}

std::int32_t KnownFirstDay() { return DayNumber(2026, 11, 2); }

void WriteKnownFleet(const fs::path& root) {
    const std::int32_t first = KnownFirstDay();
    auto every = [](DayPlan p) { return std::vector<DayPlan>(KnownDays, p); };
    MachineScript off = Script("pc-off", first, every(DayPlan::Off));
    // A Test run on the first morning: never counted.
    off.entries.insert(off.entries.begin() + 2,
                       {off.entries[1].local + 60, text::LogEnter, text::LogTest, 0, true});
    MachineScript watch = Script("pc-watch", first, every(DayPlan::WatchOff));
    watch.stream = Stream::Watch;
    MachineScript cancel = Script("pc-cancel", first, every(DayPlan::Cancelled));
    cancel.french = true;
    MachineScript held = Script("pc-held", first, every(DayPlan::Held));
    MachineScript other = Script("pc-other", first, every(DayPlan::OtherUser));
    MachineScript refused = Script("pc-refused", first, every(DayPlan::Refused));
    std::vector<DayPlan> exitPlans = every(DayPlan::Busy);
    exitPlans[2] = DayPlan::Exit;
    MachineScript exited = Script("pc-exit", first, exitPlans);
    // Its log stops on 1 November with the machine running: nothing carries
    // into the period.
    std::vector<DayPlan> gonePlans = every(DayPlan::Off);
    gonePlans.back() = DayPlan::Busy;
    MachineScript gone = Script("pc-gone", first - 14, gonePlans);

    const fs::path logs = root / "logs";
    for (const MachineScript* m : {&off, &watch, &held, &refused, &exited, &gone})
        WriteTextLog(logs, *m);
    std::ofstream journal(root / "journal.json", std::ios::binary);
    for (const MachineScript* m : {&off, &cancel, &held}) WriteJournal(journal, *m);
    std::ofstream events(root / "events.xml", std::ios::binary);
    for (const MachineScript* m : {&watch, &other, &refused}) WriteEvents(events, *m);
}

MachineScript BusyMachine(std::string name, std::int32_t firstDay, int days, unsigned seed) {
    MachineScript m;
    m.name = std::move(name);
    bool running = false;
    for (int i = 0; i < days; ++i) {
        seed = seed * 1103515245u + 12345u;
        const std::int64_t day = std::int64_t(firstDay + i) * 86400;
        if (!running) {
            m.entries.push_back({day + 7 * 3600, text::LogStart, text::LogInitialise, 2});
            m.entries.push_back({day + 7 * 3600 + 2, text::LogEnter, text::LogRun, 0});
            running = true;
        }
        // Pauses through the day, each cancelled when its user came back.
        for (int k = 0; k < 5; ++k) {
            const std::int64_t t = day + (9 + k * 2) * 3600 + (seed >> (k * 3) & 0x3FF);
            m.entries.push_back({t, text::LogEnter, text::ActionPowerOff, 0});
            m.entries.push_back({t + 30, text::LogReset, text::ActionPowerOff, 30});
            m.entries.push_back({t + 32, text::LogEnter, text::LogRun, 0});
        }
        const DayPlan plans[] = {DayPlan::Off,       DayPlan::Off,  DayPlan::Off,
                                 DayPlan::Cancelled, DayPlan::Held, DayPlan::OtherUser};
        const DayPlan plan = plans[(seed >> 16) % 6];
        bool dummy = running;
        std::string_view awake;
        Day(m, day, plan, dummy, awake);
        running = dummy;
    }
    return m;
}

}  // namespace dormix::report::testing
