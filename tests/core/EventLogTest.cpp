#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "Fakes.h"
#include "PlatformLogFiles.h"
#include "log/LogFormat.h"

namespace dormix::testing {
namespace {

using Lines = std::vector<std::string>;
namespace fs = std::filesystem;

TEST(LogFormat, FieldsAreCutAndFilledAtTheirBoundaries) {
    const log::LocalTime t{2026, 12, 7, 9, 5, 2, "Dec"};
    EXPECT_EQ(log::FormatTimeStamp(t), "07-Dec-26 09:05:02");
    EXPECT_EQ(log::FormatTimeStamp({2000, 1, 1, 0, 0, 0, "Jan"}), "01-Jan-00 00:00:00");
    EXPECT_EQ(log::FormatTimeStamp({2099, 12, 31, 23, 59, 59, "Dez"}), "31-Dez-99 23:59:59");

    // Action field: marker, word, blanks, cut to ten.
    EXPECT_EQ(log::FormatEntry(t, "Start", "Initialise", false, 2),
              "07-Dec-26 09:05:02,  Start    , Initialise, Count:   2");
    EXPECT_EQ(log::FormatEntry(t, "Power Off", "Simulate", false, 6),
              "07-Dec-26 09:05:02,  Power Off, Simulate  , Count:   6");
    EXPECT_EQ(log::FormatEntry(t, "Power Off", "Simulate", true, 6),
              "07-Dec-26 09:05:02, *Power Off, Simulate  , Count:   6");
    // Longer words are cut; the marker keeps its place.
    EXPECT_EQ(log::FormatEntry(t, "Simulation", "Initialised", true, 0),
              "07-Dec-26 09:05:02, *Simulatio, Initialise, Count:   0");
    EXPECT_EQ(log::FormatEntry(t, "", "", false, 0).size(), 54u);

    EXPECT_EQ(log::FormatCount(0), "   0");
    EXPECT_EQ(log::FormatCount(60), "  60");
    EXPECT_EQ(log::FormatCount(900), " 900");
    EXPECT_EQ(log::FormatCount(-5), "  -5");
    EXPECT_EQ(log::FormatCount(-999), "-999");
    EXPECT_EQ(log::FormatCount(-1000), "1000");
    EXPECT_EQ(log::FormatCount(12345), "2345");
    EXPECT_EQ(log::FormatCount(32767), "2767");
    EXPECT_EQ(log::FormatCount(-32768), "2768");
}

TEST(EventLog, MonthFollowsTheLocaleOfTheClock) {
    Rig rig;
    rig.clock.time.monthAbbreviation = "Dez";
    rig.Start();
    EXPECT_EQ(rig.files.Lines().back(), "06-Dez-26 12:03:52,  Start    , Initialise, Count:   2");
}

TEST(EventLog, ALaterStartAppendsBannerAndStartOnly) {
    Rig first;
    first.Start();
    EXPECT_TRUE(first.Ends([&] { first.app.OnExitClick(); }));

    Rig second;
    second.files.files = first.files.files;
    second.clock.time.day = 7;
    second.Start();
    second.Tick(2);
    const Lines lines = second.files.Lines();
    ASSERT_EQ(lines.size(), 4u + 5 + 2 + 5 + 2);
    EXPECT_EQ(lines[3], "06-Dec-26 12:03:52");
    EXPECT_EQ(lines[10], "06-Dec-26 12:03:52,  Exit     , Initialise, Count:   2");
    const Lines tail(lines.begin() + 11, lines.end());
    EXPECT_EQ(tail, (Lines{"", "", "Dormix Lite", "Version 2.1", "",
                           "07-Dec-26 12:03:52,  Start    , Initialise, Count:   2",
                           "07-Dec-26 12:03:54,  Enter    , Run       , Count:   0"}));
}

struct FailureCase {
    const char* name;
    std::function<void(Rig&)> arrange;  // before start
    std::function<void(Rig&)> act;      // after start (may be empty)
    std::string title;
    std::string text;
    Lines entries;  // what the log holds afterwards
};

TEST(EventLog, EveryFailureShowsItsMessageAndEndsTheProgramAtOnce) {
    const std::string directoryText =
        "The log directory does not exist\r\nReinstall the program to restore the\r\n"
        "log directory.\r\nThe program will now terminate.";
    const std::string missingText =
        "The log file is either missing or\r\ncorrupted. Delete the log file if\r\n"
        "it exists and restart the program\r\nThe program will now terminate";
    const std::string createText =
        "Unable to create the log file DormixL.log\r\nThis may be a permissions problem.\r\n"
        "The program will now terminate.";
    const std::string writeText =
        "Unable to write to the log file \r\nThis may be a permissions problem.\r\n"
        "The program will now terminate";
    const std::string fileTitle = "Dormix Lite Log File Error";
    const std::vector<FailureCase> cases = {
        {"no Log folder at start",
         [](Rig& r) { r.files.folder = false; },
         nullptr,
         "Dormix Lite Log Directory Error",
         directoryText,
         {}},
        {"file cannot be created",
         [](Rig& r) { r.files.failCreate = true; },
         nullptr,
         fileTitle,
         createText,
         {}},
        {"folder cannot be looked at",
         [](Rig& r) { r.files.failLookup = true; },
         nullptr,
         fileTitle,
         createText,
         {}},
        {"banner cannot be written",
         [](Rig& r) { r.files.files["Log/DormixL.log"] = "old\r\n", r.files.failAppend = true; },
         nullptr,
         fileTitle,
         writeText,
         {}},
        {"file deleted while running",
         nullptr,
         [](Rig& r) { r.files.files.clear(), r.Tick(2); },
         fileTitle,
         missingText,
         {}},
        {"folder removed while running",
         nullptr,
         [](Rig& r) { r.files.folder = false, r.Tick(2); },
         "Dormix Lite Log Directory Error",
         directoryText,
         {" Start    , Initialise, Count:   2"}},
        {"write refused while running",
         nullptr,
         [](Rig& r) { r.files.failAppend = true, r.app.OnResetClick(); },
         fileTitle,
         writeText,
         {" Start    , Initialise, Count:   2"}},
        {"exit entry refused",
         nullptr,
         [](Rig& r) { r.files.failAppend = true, r.app.OnExitClick(); },
         fileTitle,
         writeText,
         {" Start    , Initialise, Count:   2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        if (c.arrange) c.arrange(rig);
        bool ended = rig.Ends([&] { rig.Start(); });
        if (c.act) {
            ASSERT_FALSE(ended);
            rig.shell.calls.clear();
            ended = rig.Ends([&] { c.act(rig); });
        }
        ASSERT_TRUE(ended);
        ASSERT_EQ(rig.shell.messages.size(), 1u);
        EXPECT_EQ(rig.shell.messages[0].title, c.title);
        EXPECT_EQ(rig.shell.messages[0].text, c.text);
        EXPECT_EQ(rig.shell.messages[0].icon, MessageIcon::Warning);
        // Timer first, so no tick runs under the message; icon gone; nothing after.
        const Lines tail(rig.shell.calls.end() - 4, rig.shell.calls.end());
        EXPECT_EQ(tail, (Lines{"timer off", "message " + c.title, "tray delete", "end"}));
        EXPECT_FALSE(rig.shell.trayIcon);
        EXPECT_TRUE(rig.shell.Failed());
        // The same words went to the system log, and of the entries the
        // Start that reached the file and the one the file refused.
        ASSERT_EQ(rig.systemLog.failures.size(), 1u);
        EXPECT_EQ(rig.systemLog.failures[0].title, c.title);
        EXPECT_EQ(rig.systemLog.failures[0].text, c.text);
        EXPECT_TRUE(log::IsWarning(rig.systemLog.failures[0].event));
        EXPECT_EQ(rig.systemLog.entries.size(), c.act ? 2u : 0u);
        if (!c.act) {
            EXPECT_TRUE(rig.files.Entries().empty());
        } else if (c.name != std::string("file deleted while running")) {
            EXPECT_EQ(rig.files.Entries(), c.entries);
        }
    }
    // A request to exit (a signal) under the box ends the program at once:
    // no "Exit" entry, no second box.
    {
        Rig rig;
        rig.Start();
        rig.files.failAppend = true;
        int requests = 0;
        rig.shell.duringMessage = [&](const Message&) {
            if (requests++ == 0) rig.app.OnMainUnload();
        };
        EXPECT_TRUE(rig.Ends([&] { rig.app.OnResetClick(); }));
        EXPECT_EQ(rig.shell.messages.size(), 1u);
        EXPECT_EQ(rig.files.Entries(), (Lines{" Start    , Initialise, Count:   2"}));
        EXPECT_EQ(rig.shell.calls.back(), "end");
    }
    // At the session's end no box opens, which would hold the log-off up:
    // the failure goes to the system log and the program ends, failed. An
    // intact log gets its Exit entry, and the end is no failure.
    for (const bool intact : {true, false}) {
        Rig rig;
        rig.Start();
        rig.files.failAppend = !intact;
        rig.shell.calls.clear();
        EXPECT_TRUE(rig.Ends([&] { rig.app.OnSessionEnd(); }));
        EXPECT_TRUE(rig.shell.messages.empty());
        EXPECT_EQ(rig.shell.Failed(), !intact);
        EXPECT_EQ(rig.shell.calls.back(), "end");
        EXPECT_EQ(rig.systemLog.failures.size(), intact ? 0u : 1u);
        if (intact) {
            EXPECT_EQ(rig.files.Entries().back(), " Exit     , Initialise, Count:   2");
        }
    }
    // Neither the folder nor the file is created when the folder is missing.
    Rig rig;
    rig.files.folder = false;
    rig.Ends([&] { rig.Start(); });
    EXPECT_TRUE(rig.files.files.empty());
}

// The real file system, in a scratch folder that stands in for the working directory.
class RealLogFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("dormix-log-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "Log");
        previous_ = fs::current_path();
        fs::current_path(dir_);
    }
    void TearDown() override {
        fs::current_path(previous_);
        fs::remove_all(dir_);
    }
    static std::string Read(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    fs::path dir_, previous_;
    PlatformLogFiles files_;
};

TEST_F(RealLogFiles, CreatesAppendsWithCrLfAndNeverCreatesOnAppend) {
    FakeShell shell;
    FakeClock clock;
    log::EventLog log(files_, clock, shell.end);
    log.OpenEventLog();
    log.WriteStartBanner();
    log.WriteLogEntry("Start", "Initialise", false, 2);
    const fs::path file = fs::path("Log") / "DormixL.log";
    EXPECT_EQ(Read(file),
              "Dormix Lite\r\nVersion 2.1\r\nFile Created\r\n06-Dec-26 12:03:52\r\n"
              "\r\n\r\nDormix Lite\r\nVersion 2.1\r\n\r\n"
              "06-Dec-26 12:03:52,  Start    , Initialise, Count:   2\r\n");
    // An existing file is left as it is.
    log.OpenEventLog();
    EXPECT_EQ(Read(file).size(), 4u * 2 + 11 + 11 + 12 + 18 + 5 * 2 + 11 + 11 + 54 + 2);

    fs::remove(file);
    EXPECT_THROW(files_.AppendLine(file, "x"), std::exception);
    EXPECT_FALSE(fs::exists(file));
}

// The file goes between the check and the open: the entry is reported as a
// missing file, and no file without its header takes its place.
TEST_F(RealLogFiles, AFileRemovedAfterTheCheckIsMissingAndStaysRemoved) {
    struct RemovedAfterCheck : log::LogFiles {
        PlatformLogFiles& real;
        explicit RemovedAfterCheck(PlatformLogFiles& files) : real(files) {}
        bool FolderExists(const fs::path& p) override { return real.FolderExists(p); }
        bool FileExists(const fs::path& p) override {
            const bool there = real.FileExists(p);
            fs::remove(p);
            return there;
        }
        bool CreateWithHeader(const fs::path& p, std::string_view h) override {
            return real.CreateWithHeader(p, h);
        }
        void AppendLine(const fs::path& p, std::string_view t) override { real.AppendLine(p, t); }
    } files(files_);
    const fs::path file = fs::path("Log") / "DormixL.log";
    std::ofstream(file) << "old\r\n";
    FakeShell shell;
    FakeClock clock;
    log::EventLog log(files, clock, shell.end);
    EXPECT_THROW(log.WriteLogEntry("Enter", "Run", false, 0), ProgramEnded);
    ASSERT_EQ(shell.messages.size(), 1u);
    EXPECT_EQ(shell.messages[0].text, log::FailureText(log::LogFailure::MissingFile));
    EXPECT_FALSE(fs::exists(fs::symlink_status(file)));
    // A file another copy has just created is its creation: left as it is.
    std::ofstream(file, std::ios::binary) << "begun\r\n";
    EXPECT_FALSE(files_.CreateWithHeader(file, "header"));
    EXPECT_EQ(Read(file), "begun\r\n");
}

// A file with a second name could be anybody's file: nothing is written to
// it while the name is there, and the entries go on once it is gone.
TEST_F(RealLogFiles, AFileWithASecondNameIsNoLogFile) {
    const fs::path file = fs::path("Log") / "DormixL.log";
    std::ofstream("theirs", std::ios::binary) << "theirs\r\n";
    fs::create_hard_link("theirs", file);
    EXPECT_THROW(files_.AppendLine(file, "x"), log::LogFileMissing);
    EXPECT_EQ(Read("theirs"), "theirs\r\n");
    fs::remove("theirs");
    files_.AppendLine(file, "alone again");
    EXPECT_EQ(Read(file), "theirs\r\nalone again\r\n");
}

TEST_F(RealLogFiles, AFolderWhereTheFileShouldBeIsNoLogFile) {
    const fs::path file = fs::path("Log") / "DormixL.log";
    fs::create_directory(file);
    EXPECT_TRUE(files_.FolderExists("Log"));
    EXPECT_FALSE(files_.FileExists(file));
    EXPECT_THROW(files_.AppendLine(file, "x"), std::exception);
    EXPECT_THROW(files_.CreateWithHeader(file, "header"), std::exception);
    fs::remove(file);
    fs::remove("Log");
    EXPECT_FALSE(files_.FolderExists("Log"));
    std::ofstream("Log") << "a file named Log";
    EXPECT_FALSE(files_.FolderExists("Log"));
}

}  // namespace
}  // namespace dormix::testing
