// The report against fleets whose nights are known: the three forms the
// entries reach a collector in, the same entry by two routes, and files
// that are broken in every way a share of copied logs can be.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "Fleet.h"
#include "log/LogFormat.h"
#include "report/Calendar.h"
#include "report/Options.h"
#include "report/Readers.h"
#include "report/Sources.h"
#include "report/Summary.h"
#include "report/Writers.h"
#include "ui/Texts.h"

namespace dormix::report::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

struct TempDir {
    TempDir() {
        path =
            fs::temp_directory_path() /
            ("dormix-report-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempDir() { fs::remove_all(path); }
    fs::path path;
};

// An export of `m` written by `write` (WriteJournal, WriteEvents) to `file`.
template <typename Write>
void WriteExport(const fs::path& file, Write write, const MachineScript& m) {
    std::ofstream out(file, std::ios::binary);
    write(out, m);
}

struct ReportRun {
    explicit ReportRun(const std::vector<std::string>& sources,
                       std::optional<std::int32_t> from = {}, std::optional<std::int32_t> to = {},
                       std::int64_t now = INT64_MAX) {
        FleetTable table(from, to, INT32_MAX, now);
        count = ReadSources(sources, table, health);
        summary = Summarise(table, health);
    }
    // By its name, or the full host name that begins with it.
    const MachineSummary& Machine(const std::string& name) const {
        for (const MachineSummary& m : summary.machines)
            if (m.name == name || m.name.starts_with(name + ".")) return m;
        throw std::runtime_error("no machine " + name);
    }
    Health health;
    SourceCount count;
    Summary summary;
};

std::int32_t First() { return KnownFirstDay(); }
std::int32_t Last() { return KnownFirstDay() + KnownDays - 1; }

// 18:01 to 08:00 on 13 nights, and 18:01 to midnight on the last.
constexpr std::int64_t OffSeconds = 13 * (13 * 3600 + 59 * 60) + 5 * 3600 + 59 * 60;
// The watch: 19:00 to 08:00, and 19:00 to midnight.
constexpr std::int64_t WatchOffSeconds = 13 * 13 * 3600 + 5 * 3600;

TEST(Report, KnownFleetGivesTheHandCountedTotals) {
    TempDir dir;
    WriteKnownFleet(dir.path);
    // The logs folder and one of its files again: the same entries by a
    // second route must not count twice.
    const ReportRun run({(dir.path / "logs").string(), (dir.path / "journal.json").string(),
                         (dir.path / "events.xml").string(),
                         (dir.path / "logs" / "pc-off" / "DormixL.log").string()},
                        First(), Last());
    const Summary& s = run.summary;
    EXPECT_EQ(run.count.opened, 9u);
    EXPECT_EQ(run.health.Total(), 1u) << "pc-exit stops on day 3, and nothing else is wrong";
    EXPECT_EQ(run.health.Count(Problem::LogStops), 1u);

    const MachineSummary& off = run.Machine("pc-off");
    EXPECT_EQ(off.total.offSeconds, OffSeconds);
    EXPECT_EQ(off.total.countdowns, 14u) << "three routes, each entry once";
    EXPECT_EQ(off.total.powerOffs, 14u);
    EXPECT_EQ(off.total.starts, 14u);
    EXPECT_EQ(off.routes, TextLog | Journal);
    EXPECT_EQ(off.days[0].offSeconds, 6 * 3600 - 60 + 8 * 3600 - 8 * 3600) << "18:01 to midnight";
    EXPECT_EQ(off.days[1].offSeconds, 8 * 3600 + 6 * 3600 - 60) << "to 08:00, again from 18:01";
    EXPECT_EQ(off.cause, Cause::None);
    EXPECT_EQ(run.Machine("pc-watch").total.offSeconds, WatchOffSeconds);
    EXPECT_EQ(run.Machine("pc-watch").routes, TextLog | EventLog);

    struct Expected {
        const char* machine;
        Cause cause;
        const char* text;
        Night night;
    };
    for (const Expected& e : std::initializer_list<Expected>{
             {"pc-cancel", Cause::Cancelled, "cancelled every time (14 nights)", Night::Cancelled},
             {"pc-held", Cause::Held, "always held (14 nights) by \"Videos\": Playing a film",
              Night::Held},
             {"pc-other", Cause::OtherUser, "always another user's session (14 nights)",
              Night::OtherUser},
             {"pc-refused", Cause::Refused,
              "the power-off was refused (14x): ShutdownSystem failed: Access is denied.",
              Night::Refused},
             {"pc-exit", Cause::ExitedForGood,
              "the program ended (Exit) on 2026-11-04 and never came back", Night::Exited},
             {"pc-gone", Cause::Stopped, "no entries after 2026-11-01", Night::NoEntries}}) {
        const MachineSummary& m = run.Machine(e.machine);
        EXPECT_EQ(m.cause, e.cause) << e.machine;
        EXPECT_EQ(m.causeText, e.text) << e.machine;
        EXPECT_EQ(m.total.offSeconds, 0) << e.machine;
        EXPECT_EQ(m.days[2].night, e.night) << e.machine;
    }
    // On with nobody there: another user's session from 18:00 to the
    // countdown at 19:00; a film's hold at most its 4-hour cap (nothing after
    // it in the log: someone was back); a refused power-off until the next
    // morning's start, the last night until the period's end.
    EXPECT_EQ(run.Machine("pc-other").total.idleOnSeconds, 14 * 3600);
    EXPECT_EQ(run.Machine("pc-held").total.idleOnSeconds, 14 * 4 * 3600);
    EXPECT_EQ(run.Machine("pc-refused").total.idleOnSeconds,
              13 * (13 * 3600 + 59 * 60) + 5 * 3600 + 59 * 60);
    EXPECT_EQ(s.total.idleOnSeconds,
              14 * 3600 + 14 * 4 * 3600 + 13 * (13 * 3600 + 59 * 60) + 5 * 3600 + 59 * 60);
    EXPECT_EQ(run.Machine("pc-other").total.endedByOther, 14u);
    EXPECT_EQ(run.Machine("pc-other").total.otherUserWaits, 14u);
    EXPECT_EQ(run.Machine("pc-cancel").total.cancelled, 14u) << "French months read";
    EXPECT_EQ(run.Machine("pc-refused").total.refused, 14u);
    EXPECT_EQ(run.Machine("pc-refused").days[0].powerOffs, 0u);
    EXPECT_EQ(run.Machine("pc-exit").days[3].night, Night::NoEntries);

    EXPECT_EQ(s.total.offSeconds, OffSeconds + WatchOffSeconds);
    std::int64_t byHour = 0;
    for (std::int64_t h : s.hourSeconds) byHour += h;
    EXPECT_EQ(byHour, s.total.offSeconds);
    EXPECT_EQ(s.hourSeconds[3], 2 * 13 * 3600) << "both machines off at 3 a.m. on 13 nights";
    EXPECT_EQ(s.covered, 7u);
    EXPECT_EQ(s.neverOff, 6u);
    EXPECT_EQ(s.testEntries, 3u) << "the Test run, in the file (read twice) and the journal";

    // The page's headline and the CSV, from the same totals: 361.77 h x 109 W.
    Options o;
    std::ostringstream page, csv;
    WriteHtml(page, s, run.health, o);
    WriteCsv(csv, s, o);
    for (const char* figure : {">361.8<", ">39.4<", ">11.83<", ">15.8<", "id=\"idle-on\">257.8<",
                               "id=\"covered\">7<", "id=\"never-off\">6<"})
        EXPECT_NE(page.str().find(figure), std::string::npos) << figure;
    EXPECT_EQ(page.str().find("<script"), std::string::npos);
    const auto count = [&](const std::string& what) {
        std::size_t n = 0;
        for (auto at = page.str().find(what); at != std::string::npos;
             at = page.str().find(what, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count("class=\"we\""), 4u) << "two weekends marked";
    // The machines to look at, the costliest first.
    const std::size_t lookAt = page.str().find("id=\"to-look-at\"");
    ASSERT_NE(lookAt, std::string::npos);
    EXPECT_EQ(page.str().substr(page.str().find("<tr><td>", lookAt), 38),
              "<tr><td>pc-refused.lab.example</td><td");
    // pc-off is off every night: one rectangle for its row.
    EXPECT_EQ(count("class=\"k" + std::to_string(int(Night::Off)) + "\"/>"), 2u)
        << "pc-off's and pc-watch's rows";
    const std::string table = csv.str();
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 1 + 8 * KnownDays);
    EXPECT_NE(
        table.find("pc-off,2026-11-03,switched off,13.98,1.524,0.46,0.610,1,1,0,0,0,0,0,0,1,0,"),
        std::string::npos);
}

// Each machine's entries in one form at a time: the same figures.
TEST(Report, EachFormAloneGivesTheSameFigures) {
    MachineScript m = Script("lab-7", First(), std::vector<DayPlan>(KnownDays, DayPlan::Off));
    for (int form = 0; form < 3; ++form) {
        TempDir dir;
        const fs::path file = dir.path / (form == 1 ? "j.json" : "e.xml");
        if (form == 0) {
            WriteTextLog(dir.path, m);
        } else {
            std::ofstream out(file, std::ios::binary);
            form == 1 ? WriteJournal(out, m) : WriteEvents(out, m);
        }
        const ReportRun run({(form == 0 ? dir.path : file).string()}, First(), Last());
        EXPECT_EQ(run.Machine("lab-7").total.offSeconds, OffSeconds) << form;
        EXPECT_EQ(run.Machine("lab-7").total.entries, 14u * 4) << form;
        EXPECT_EQ(run.health.Total(), 0u) << form;
    }
}

TEST(Report, ARefusalInTheLogItselfIsNeverAPowerOffAndCountsOnce) {
    const MachineScript m =
        Script("lab-8", First(), {DayPlan::Refused, DayPlan::Locked, DayPlan::Off});
    for (int form = 0; form < 2; ++form) {
        TempDir dir;
        const fs::path file = dir.path / "e.xml";
        if (form == 0) {
            WriteTextLog(dir.path, m);  // the text log alone, no system log
        } else {
            std::ofstream out(file, std::ios::binary);
            WriteEvents(out, m);
        }
        const ReportRun run({(form == 0 ? dir.path : file).string()}, First(), First() + 2);
        const MachineSummary& s = run.Machine("lab-8");
        EXPECT_EQ(s.days[0].night, Night::Refused) << form;
        EXPECT_EQ(s.days[0].powerOffs, 0u) << form;
        EXPECT_EQ(s.days[0].refused, 1u) << form << ": the entry and the report, once";
        EXPECT_EQ(s.days[1].night, Night::Off) << form << ": off once the lock was released";
        EXPECT_EQ(s.days[1].offSeconds, 6 * 3600 - 6 * 60) << form << ": from 18:06";
        EXPECT_EQ(s.total.refused, 2u) << form;
    }
    // An older log without "Refuse": the system's refusal stamped up to 600 s
    // before the request's entry is that request's; a second earlier is not.
    for (const int before : {600, 601}) {
        MachineScript old = Script("lab-9", First(), {DayPlan::Refused});
        old.entries.pop_back();  // its "Refuse"
        old.failures[0].local = old.entries.back().local - before;
        TempDir dir;
        WriteExport(dir.path / "e.xml", WriteEvents, old);
        const ReportRun run({(dir.path / "e.xml").string()}, First(), First());
        EXPECT_EQ(run.Machine("lab-9").total.powerOffs, before == 600 ? 0u : 1u) << before;
        EXPECT_EQ(run.Machine("lab-9").total.refused, 1u) << before;
    }
}

// Hibernation and sleep are off time until the "Wake" entry; sleep draws
// its own watts, hibernation an off machine's. Each machine's action is on
// the page, and a hibernation refused and powered off instead is a power-off.
TEST(Report, HibernationAndSleepAreOffUntilTheWakeUpAndEachMachineSaysItsAction) {
    MachineScript m =
        Script("lab-rest", First(),
               {DayPlan::Sleep, DayPlan::Hibernate, DayPlan::Off, DayPlan::Sleep, DayPlan::Busy});
    // Friday noon: asleep for five minutes only.
    const std::int64_t noon = (First() + 4) * std::int64_t(86400) + 12 * 3600;
    for (const ScriptEntry& e : {ScriptEntry{noon, text::LogEnter, text::ActionWords[2], 0},
                                 {noon + 60, text::LogClose, text::ActionWords[2], 60},
                                 {noon + 360, text::LogWake, text::ActionWords[2], 60},
                                 {noon + 362, text::LogEnter, text::LogRun, 0}})
        m.entries.push_back(e);
    MachineScript fallback = Script("lab-fallback", First(), {DayPlan::Hibernate, DayPlan::Busy});
    const std::int64_t close = fallback.entries[3].local;
    fallback.entries.insert(fallback.entries.begin() + 4,
                            {{close, text::LogRefuse, text::ActionWords[1], 60},
                             {close, text::LogClose, text::ActionPowerOff, 60}});
    fallback.entries[6] = {fallback.entries[6].local, text::LogStart, text::LogInitialise, 2};
    constexpr std::int64_t Night = 13 * 3600 + 59 * 60;
    for (int form = 0; form < 2; ++form) {
        TempDir dir;
        if (form == 0) {
            WriteTextLog(dir.path, m);
            WriteTextLog(dir.path, fallback);
        } else {
            std::ofstream out(dir.path / "j.json", std::ios::binary);
            WriteJournal(out, m);
            WriteJournal(out, fallback);
        }
        const ReportRun run({dir.path.string()}, First(), First() + 4);
        const DayTotals& t = run.Machine("lab-rest").total;
        EXPECT_EQ(t.offSeconds, 4 * Night + 300) << form;
        EXPECT_EQ(t.sleepSeconds, 2 * Night + 300) << form;
        EXPECT_EQ(t.powerOffs, 5u) << form;
        EXPECT_EQ(t.hibernates, 1u) << form;
        EXPECT_EQ(t.sleeps, 3u) << form;
        EXPECT_EQ(run.Machine("lab-rest").days[1].offSeconds, 8 * 3600 + 5 * 3600 + 59 * 60);
        const DayTotals& f = run.Machine("lab-fallback").total;
        EXPECT_EQ(f.powerOffs, 1u) << form;
        EXPECT_EQ(f.hibernates, 0u) << form;
        EXPECT_EQ(f.offSeconds, Night) << form;

        Options o;
        o.wattsSleep = 3;
        EXPECT_NEAR(Kwh(o, t.offSeconds, t.sleepSeconds),
                    (2 * Night * 109.0 + (2 * Night + 300) * 107.0) / 3600 / 1000, 1e-9);
        std::ostringstream page;
        WriteHtml(page, run.summary, run.health, o);
        EXPECT_NE(page.str().find("<td>power off 1, hibernate 1, sleep 3</td>"), std::string::npos);
        EXPECT_NE(page.str().find("<td>power off</td>"), std::string::npos);
        EXPECT_NE(page.str().find("1 W off or hibernated, or 3 W asleep"), std::string::npos);
    }
}

// A Monday-to-Sunday week, as the weekly run reads it: a machine off at the
// weekend has not stopped; one that is gone from Thursday has. Causes are
// what the log can tell: a countdown ended at its full count with no wait
// before it is another user or a program; sessions that end before the
// limit each evening are a cause of their own.
TEST(Report, AWeekendAwayIsNoStopAndCausesAreWhatTheLogTells) {
    using P = DayPlan;
    struct Case {
        const char* name;
        std::vector<DayPlan> plans;
        Cause cause;
        std::uint64_t stops;
        const char* text;
    };
    const std::vector<DayPlan> weekdays = {P::Cancelled, P::Cancelled, P::Cancelled, P::Cancelled,
                                           P::Cancelled, P::Away,      P::Away};
    std::vector<DayPlan> thursday = weekdays;
    thursday[3] = thursday[4] = P::Away;
    for (const Case& c : std::vector<Case>{
             {"weekdays", weekdays, Cause::Cancelled, 0, "cancelled every time (5 nights)"},
             {"gone-thursday", thursday, Cause::Stopped, 1, "no entries after 2026-11-04"},
             {"film", std::vector<DayPlan>(7, P::FullCount), Cause::OtherUser, 0,
              "always another user or a program (7 nights)"},
             {"logoff", std::vector<DayPlan>(7, P::LogOff), Cause::LoggedOff, 0,
              "the program ended before the limit every evening (a log-off or shutdown) (7 "
              "nights)"}}) {
        TempDir dir;
        WriteTextLog(dir.path, Script(c.name, First(), c.plans));
        const ReportRun run({dir.path.string()}, First(), First() + 6);
        EXPECT_EQ(run.Machine(c.name).cause, c.cause) << c.name;
        EXPECT_EQ(run.Machine(c.name).causeText, c.text) << c.name;
        EXPECT_EQ(run.health.Count(Problem::LogStops), c.stops) << c.name;
    }
    // A machine that never switched off, its countdown 120 s as its settings
    // said at each start (event 131): a Reset at 90 is a cancel, not the
    // full count of a guessed 60.
    MachineScript long120 = Script("long", First(), std::vector<DayPlan>(7, P::FullCount));
    for (ScriptEntry& e : long120.entries)
        if (e.action == text::LogReset) e.count = 90;
    long120.failures.push_back(
        {long120.entries.front().local, std::uint16_t(log::SystemEvent::SettingsInForce),
         text::Fill(text::SettingsTitle, {text::ProductTitle}),
         "CountdownSeconds=120 (/etc/dormix-lite/dormix-lite.conf, line 1)"});
    TempDir settings;
    WriteExport(settings.path / "j.json", WriteJournal, long120);
    EXPECT_EQ(ReportRun({(settings.path / "j.json").string()}, First(), First() + 6)
                  .Machine("long")
                  .causeText,
              "cancelled every time (7 nights)");
    // Two weekly reports add up to the fortnight's: the night from Sunday
    // into the second Monday counts in the second week too.
    TempDir fortnight;
    WriteTextLog(fortnight.path, Script("pc", First(), std::vector<DayPlan>(14, P::Off)));
    auto off = [&](std::int32_t from, std::int32_t to) {
        return ReportRun({fortnight.path.string()}, from, to).Machine("pc").total.offSeconds;
    };
    EXPECT_EQ(off(First(), First() + 6) + off(First() + 7, First() + 13),
              off(First(), First() + 13));
    EXPECT_EQ(off(First() + 7, First() + 7), 8 * 3600 + 5 * 3600 + 59 * 60);
    // The watch's "Exit" a few seconds after the tray program's "Close" (the
    // service stopped by the power-off) does not end the night off.
    MachineScript watch{.name = "pc", .stream = Stream::Watch};
    const std::int64_t monday = std::int64_t(First()) * 86400;
    watch.entries = {{monday + 8 * 3600, text::LogStart, text::LogInitialise, 2},
                     {monday + 18 * 3600 + 63, text::LogExit, text::LogRun, 0}};
    WriteTextLog(fortnight.path, watch);
    EXPECT_EQ(off(First(), First() + 1), 8 * 3600 + 2 * (5 * 3600 + 59 * 60));
    EXPECT_EQ(off(First() + 1, First() + 1), 8 * 3600 + 5 * 3600 + 59 * 60);
    // Ten weeks are drawn a column a week, the page a fraction of a day grid.
    TempDir tenWeeks;
    WriteTextLog(tenWeeks.path, Script("pc", First(), std::vector<DayPlan>(70, P::Cancelled)));
    std::ostringstream grid;
    WriteHtml(grid, ReportRun({tenWeeks.path.string()}, First(), First() + 69).summary, Health(),
              Options{});
    EXPECT_NE(grid.str().find("Each machine, each week"), std::string::npos);
    EXPECT_NE(grid.str().find("<h2>Week by week</h2>"), std::string::npos);
    EXPECT_NE(grid.str().find("class=\"k" + std::to_string(int(Night::Cancelled)) + "\"/>"),
              std::string::npos);
    // Run on the Sunday at 20:00: off since 18:01 is off until now, not midnight.
    TempDir dir;
    WriteTextLog(dir.path, Script("pc", First(), std::vector<DayPlan>(7, P::Off)));
    const ReportRun sunday({dir.path.string()}, First(), First() + 6,
                           (std::int64_t(First()) + 6) * 86400 + 20 * 3600);
    EXPECT_EQ(sunday.Machine("pc").total.offSeconds, 6 * (13 * 3600 + 59 * 60) + 3600 + 59 * 60);
}

// Across the autumn change (25 October 2026, 03:00 summer time is 02:00
// winter time): the system's refusals on each side are matched with their
// requests by each one's own offset, and the night across it counts the 15
// hours that passed, not the clock's 14.
TEST(Report, ADaylightSavingChangeMovesNoRefusalAndCountsTheHoursThatPassed) {
    const std::int32_t friday = DayNumber(2026, 10, 23);
    MachineScript m =
        Script("pc-dst", friday, {DayPlan::Refused, DayPlan::Off, DayPlan::Off, DayPlan::Refused});
    std::erase_if(m.entries, [](const ScriptEntry& e) { return e.action == text::LogRefuse; });
    m.utcOffset = 7200;
    m.offsetAfter = 3600;
    m.offsetChange = (std::int64_t(friday) + 2) * 86400 + 2 * 3600;
    TempDir dir;
    WriteExport(dir.path / "j.json", WriteJournal, m);
    const ReportRun run({(dir.path / "j.json").string()}, friday, friday + 3);
    const MachineSummary& s = run.Machine("pc-dst");
    EXPECT_EQ(s.total.refused, 2u);
    EXPECT_EQ(s.total.powerOffs, 2u);
    EXPECT_EQ(s.total.offSeconds, (14 * 3600 + 59 * 60) + (13 * 3600 + 59 * 60));
    std::int64_t byHour = 0;
    for (std::int64_t h : run.summary.hourSeconds) byHour += h;
    EXPECT_EQ(byHour, s.total.offSeconds);
}

// A share as collectors fill it: Log folders kept, a folder per user, host
// names in capitals of any script, rooms in the domain or a source per room,
// long names.
TEST(Report, MachinesAreNamedByOneRuleAndItsJoinsAreSaid) {
    TempDir dir;
    const fs::path share = dir.path / "share";
    MachineScript m = Script("", First(), {DayPlan::Off, DayPlan::Off});
    for (const char* folder : {"pcA/Log", "pcB/Log", "pc01/alice", "pc01/bob", "Raum-Müller-PC01",
                               "pc07", "building-a-room-101-pc01", "building-a-room-101-pc02"}) {
        m.name = folder;  // the same entries in each
        WriteTextLog(share, m);
    }
    std::ostringstream journal, events;
    m.name = "RAUM-MÜLLER-PC01";
    WriteJournal(journal, m);
    for (const char* host : {"pc07.room-a", "pc07.room-b"}) {
        m.name = host;
        WriteEvents(events, m);
    }
    m.name = "pcC/Log";  // a machine's own folder named as the source
    WriteTextLog(dir.path, m);
    m.name = "pcR";  // a room's folder as a source of its own
    WriteTextLog(dir.path / "room-1", m);
    std::ofstream(dir.path / "j.json", std::ios::binary) << journal.str();
    std::ofstream(dir.path / "e.xml", std::ios::binary) << events.str();
    const ReportRun run({share.string(), (dir.path / "pcC").string(),
                         (dir.path / "room-1").string(), (dir.path / "j.json").string(),
                         (dir.path / "e.xml").string()});
    std::vector<std::string> names;
    for (const MachineSummary& machine : run.summary.machines) {
        names.push_back(machine.name);
        EXPECT_EQ(machine.total.powerOffs, 2u) << machine.name;
    }
    EXPECT_EQ(names, (std::vector<std::string>{"building-a-room-101-pc01",
                                               "building-a-room-101-pc02", "pc01", "pc07",
                                               "pc07.room-a.lab.example", "pc07.room-b.lab.example",
                                               "pca", "pcb", "pcc", "pcr", "raum-müller-pc01"}));
    // alice's and bob's folders, each said once; pc07 fits two rooms.
    EXPECT_EQ(run.health.Count(Problem::NamesJoined), 3u);
    // Rooms: the source folder above the machine's, or the host name's domain.
    EXPECT_EQ(run.Machine("pcr").room, "room-1");
    EXPECT_EQ(run.Machine("pca").room, "share");
    EXPECT_EQ(run.Machine("pc07.room-a").room, "room-a.lab.example");
    EXPECT_EQ(run.Machine("pcc").room, "");
    std::ostringstream page;
    WriteHtml(page, run.summary, run.health, Options{});
    for (const char* label :
         {">building\u2026-101-pc01<", ">building\u2026-101-pc02<", ">raum-müller-pc01<",
          "<td>room-1</td><td class=\"n\">1</td>", "<td>share</td>", "<td>room-a.lab.example</td>",
          "<td>(no room)</td>"})
        EXPECT_NE(page.str().find(label), std::string::npos) << label;
}

TEST(Report, ParseEntryReadsWhatFormatEntryWritesInEveryLocale) {
    // UTF-8 from Linux; code pages 1252 and 932 from Windows.
    for (const char* month :
         {"Mar", "mars", "M\xC3\xA4r", "M\xE4r", "Mrz", " 3\xE6\x9C\x88", "3\x8C\x8E"}) {
        const log::LocalTime t{2026, 3, 6, 12, 18, 54, month};
        log::ParsedEntry e;
        ASSERT_TRUE(
            log::ParseEntry(log::FormatEntry(t, text::LogWait, text::LogOtherUser, true, 900), e))
            << month;
        EXPECT_EQ(e.time.month, 3);
        EXPECT_EQ(e.time.second, 54);
        EXPECT_EQ(e.action, text::LogWait);
        EXPECT_EQ(e.detail, text::LogOtherUser);
        EXPECT_TRUE(e.testMark);
        EXPECT_EQ(e.count, 900);
    }
    log::ParsedEntry e;
    for (const char* line : {"06-Mar-26 12:18:54,  Doze     , Other User, Count: 900",
                             "06-Xyz-26 12:18:54,  Wait     , Other User, Count: 900",
                             "31-Feb-26 12:18:54,  Wait     , Other User, Count: 900",
                             // 2026 is no leap year; nor is 2100, which the
                             // two-digit year cannot name anyway.
                             "29-Feb-26 12:18:54,  Wait     , Other User, Count: 900",
                             "06-Mar-26 24:00:00,  Wait     , Other User, Count: 900",
                             "06-Mar-26 12:18:54,  Wait     , Other User, Count: 9x0",
                             "6-Mar-26 12:18:54,  Wait     , Other User, Count: 900", ""})
        EXPECT_FALSE(log::ParseEntry(line, e)) << line;
    ASSERT_TRUE(log::ParseEntry("29-Feb-24 23:59:59,  Wait     , Other User, Count: 900", e));
    EXPECT_EQ(e.time.day, 29);
}

struct Hostile {
    const char* name;
    std::string content;  // of pc/DormixL.log
    Problem problem;
    std::uint64_t entries;  // still read
};

std::string Entry(int day, const char* time, const char* words) {
    return std::string(day < 10 ? "0" : "") + std::to_string(day) + "-Nov-26 " + time + ",  " +
           words + "\r\n";
}
const std::string Start = "Start    , Initialise, Count:   2";
const std::string EnterRun = "Enter    , Run       , Count:   0";
const std::string Close = "Close    , Power Off , Count:  60";
const std::string Header = "Dormix Lite\r\nVersion 2.1\r\nFile Created\r\n02-Nov-26 08:00:00\r\n";
const std::string Banner = "\r\n\r\nDormix Lite\r\nVersion 2.1\r\n\r\n";

TEST(Report, HostileFilesAreCountedNeverMiscounted) {
    const std::string good =
        Header + Banner + Entry(2, "08:00:00", Start.c_str()) + Entry(2, "18:01:00", Close.c_str());
    const std::vector<Hostile> cases = {
        {"a long line",
         good + std::string(3 << 20, 'x') + "\r\n" + Entry(3, "08:00:00", Start.c_str()),
         Problem::LongLine, 3},
        {"a NUL", good + "03-Nov-26 08:00:00,  Start \0  , Initialise, Count:   2\r\n"s,
         Problem::NulByte, 2},
        {"a month of no locale", good + "03-Foo-26 08:00:00,  " + Start + "\r\n",
         Problem::UnreadableLine, 2},
        {"bytes of no encoding", good + "03-\xFF\xFE\x80-26 08:00:00,  " + Start + "\r\n",
         Problem::UnreadableLine, 2},
        {"cut off", good + "03-Nov-26 08:00:00,  Start", Problem::UnfinishedLastLine, 2},
        {"two files joined", good + Header + Entry(3, "08:00:00", Start.c_str()),
         Problem::HeaderMidFile, 3},
        {"a banner without its start", good + Banner + Entry(3, "08:00:00", EnterRun.c_str()),
         Problem::HeaderMidFile, 3},
        {"a clock set back", good + Entry(2, "07:00:00", Start.c_str()), Problem::ClockBackwards,
         3},
        {"two copies' lines mixed", good + "02-Nov-26 18:0202-Nov-26 18:02:00,  " + Start + "\r\n",
         Problem::UnreadableLine, 2},
    };
    for (const Hostile& c : cases) {
        TempDir dir;
        fs::create_directories(dir.path / "pc");
        std::ofstream(dir.path / "pc" / "DormixL.log", std::ios::binary) << c.content;
        const ReportRun run({dir.path.string()});
        EXPECT_EQ(run.health.Count(c.problem), 1u) << c.name;
        EXPECT_EQ(run.health.Total(), 1u) << c.name;
        EXPECT_EQ(run.summary.entries, c.entries) << c.name;
        EXPECT_EQ(run.Machine("pc").total.powerOffs, 1u) << c.name;
    }
}

TEST(Report, HostileExportsAndTreesAreCounted) {
    TempDir dir;
    MachineScript m = Script("pc", First(), {DayPlan::Off, DayPlan::Off});
    std::ostringstream journal, events;
    WriteJournal(journal, m);
    WriteEvents(events, m);
    const std::string xml = events.str();
    // PowerShell's ">" writes UTF-16 with its byte order mark.
    std::string utf16 = "\xFF\xFE";
    for (char c : xml) {
        utf16 += c;
        utf16 += '\0';
    }
    struct Case {
        const char* name;
        const char* file;
        std::string content;
        Problem problem;
        std::uint64_t problems, entries;
        std::size_t machines = 1;
    };
    const std::vector<Case> cases = {
        {"a record that is no JSON", "j.json",
         journal.str() + "{\"DORMIX_EVENT_ID\":\"7\", \"MESSAGE\": \"\xC3(\"}\n",
         Problem::UnreadableRecord, 1, 8},
        {"a journal cut off", "j.json", journal.str().substr(0, journal.str().size() - 40),
         Problem::UnreadableRecord, 1, 7},
        {"events cut off", "e.xml", xml.substr(0, xml.size() - 40), Problem::UnfinishedLastLine, 1,
         7},
        {"an event past the limit", "e.xml",
         "<Event><System>" + std::string(RecordLimit + 10, ' ') + "</System></Event>" + xml,
         Problem::LongLine, 1, 8},
        {"UTF-16 events", "e.xml", utf16, Problem::UnreadableRecord, 0, 8},
        {"no such file", "", "", Problem::SourceUnreadable, 1, 0, 0},
        // An export that wrote nothing is no machine named for its folder.
        {"an empty export", "j.json", "", Problem::SourceUnreadable, 1, 0, 0},
    };
    for (const Case& c : cases) {
        const fs::path file = dir.path / (std::string(c.name) + c.file);
        if (*c.file) std::ofstream(file, std::ios::binary) << c.content;
        const ReportRun run({file.string()});
        EXPECT_EQ(run.health.Count(c.problem), c.problems) << c.name;
        EXPECT_EQ(run.summary.entries, c.entries) << c.name;
        EXPECT_EQ(run.summary.machines.size(), c.machines) << c.name;
    }
    // A bare file name is in the working folder, which names the machine.
    WriteTextLog(dir.path / "tree", m);
    const fs::path cwd = fs::current_path();
    fs::current_path(dir.path / "tree" / "pc");
    const ReportRun bare({"DormixL.log"});
    fs::current_path(cwd);
    EXPECT_EQ(bare.Machine("pc").total.powerOffs, 2u);
#ifndef _WIN32
    // A link back up the tree: each folder read once; a link out of it
    // (to another share, to /usr) is not followed.
    fs::create_directory_symlink("..", dir.path / "tree" / "pc" / "up");
    WriteTextLog(dir.path / "elsewhere", Script("stranger", First(), {DayPlan::Off}));
    fs::create_directory_symlink(dir.path / "elsewhere", dir.path / "tree" / "pc" / "out");
    const ReportRun run({(dir.path / "tree").string()});
    EXPECT_EQ(run.health.Count(Problem::PathLoop), 1u);
    EXPECT_EQ(run.health.Count(Problem::OutsideSource), 1u);
    EXPECT_EQ(run.summary.machines.size(), 1u);
    EXPECT_EQ(run.Machine("pc").total.powerOffs, 2u);
#endif
    // Nothing readable and no period asked for: the page is about today.
    FleetTable empty({}, {}, 20500);
    Health quiet;
    const Summary none = Summarise(empty, quiet);
    EXPECT_EQ(none.firstDay, 20499);
    EXPECT_EQ(none.lastDay, 20499);
}

TEST(Report, CommandLineRefusesWhatItCannotUse) {
    struct Case {
        std::vector<std::string> args;
        Parsed result;
        const char* error;
    };
    for (const Case& c : std::vector<Case>{
             {{"--help", "x"}, Parsed::Help, ""},
             {{}, Parsed::Bad, "no SOURCE given"},
             {{"--from", "2026-02-30", "x"}, Parsed::Bad, "not a date"},
             {{"--from", "1999-12-31", "x"}, Parsed::Bad, "begin at 2000"},
             {{"--from=2026-03-02", "--to=2026-03-01", "x"}, Parsed::Bad, "is after --to"},
             {{"--watts-on", "-5", "x"}, Parsed::Bad, "not a number"},
             {{"--price", "nan", "x"}, Parsed::Bad, "not a number"},
             {{"--watts-off", "200", "x"}, Parsed::Bad, "switching off would cost"},
             {{"--watts-sleep=120", "x"}, Parsed::Bad, "--watts-sleep is more than --watts-on"},
             {{"--colour", "x"}, Parsed::Bad, "unknown option --colour"},
             {{"x", "--out"}, Parsed::Bad, "--out needs a value"},
             {{"--from", "2026-03-01", "--to", "2026-03-07", "--co2=0.2", "a", "--", "--b"},
              Parsed::Run,
              ""}}) {
        Options o;
        std::string error;
        EXPECT_EQ(ParseArguments(c.args, o, error), c.result) << c.error;
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
        if (c.result == Parsed::Run) {
            // Against the day it runs: a --to after it ends the period that
            // day, a --from after it is refused.
            std::string message;
            EXPECT_EQ(FitToToday(o, DayNumber(2026, 3, 4), message), Parsed::Run);
            EXPECT_EQ(IsoDate(*o.to), "2026-03-04");
            EXPECT_EQ(message, "--to 2026-03-07 is after today; the period ends today, 2026-03-04");
            EXPECT_EQ(FitToToday(o, DayNumber(2026, 2, 28), message), Parsed::Bad);
            o.to = DayNumber(2026, 3, 7);
            EXPECT_EQ(o.sources, (std::vector<std::string>{"a", "--b"}));
            EXPECT_EQ(IsoDate(*o.to), "2026-03-07");
            EXPECT_EQ(o.co2, 0.2);
            EXPECT_EQ(o.wattsOn, 110);
            EXPECT_EQ(o.out, "report.html");
        }
    }
}

}  // namespace
}  // namespace dormix::report::testing
