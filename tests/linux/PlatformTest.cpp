// The small Linux services: the running-copy marker, the clock's month,
// priorities, the pointer button codes and the trace format.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/InstanceGuard.h"
#include "frontend/tray_qt/FlockMarker.h"
#include "frontend/tray_qt/PreciseTicker.h"
#include "frontend/tray_qt/Priority.h"
#include "frontend/tray_qt/SignalBridge.h"
#include "frontend/tray_qt/TracingView.h"
#include "monitor/InputSampler.h"
#include "platform/linux/log/FileSystemLogFiles.h"
#include "platform/linux/log/LocalClock.h"
#include "platform/linux/log/StderrReport.h"
#include "platform/linux/settings/ConfFiles.h"
#include "platform/linux/x11/X11InputSource.h"

namespace dormix::testing {
namespace {

using tray_qt::FlockMarker;

TEST(FlockMarker, SecondHolderSeesTheMarkerUntilTheFirstCloses) {
    QTemporaryDir dir;
    FlockMarker first(dir.path().toStdString()), second(dir.path().toStdString());
    const auto held = first.Create("Dormix", true);
    ASSERT_NE(held.handle, 0u);
    EXPECT_FALSE(held.alreadyExists);
    const auto again = second.Create("Dormix", true);
    EXPECT_NE(again.handle, 0u);
    EXPECT_TRUE(again.alreadyExists);
    second.Close(again.handle);
    EXPECT_TRUE(second.Create("Other", true).alreadyExists == false) << "names are separate";
    first.Close(held.handle);
    const auto after = second.Create("Dormix", true);
    EXPECT_FALSE(after.alreadyExists);
    second.Close(after.handle);
}

TEST(FlockMarker, TheMarkerVanishesWithAKilledHolder) {
    QTemporaryDir dir;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        FlockMarker marker(dir.path().toStdString());
        marker.Create("Dormix", true);
        const char byte = 1;
        [[maybe_unused]] auto n = ::write(ready[1], &byte, 1);
        ::pause();
        ::_exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    FlockMarker marker(dir.path().toStdString());
    app::InstanceGuard guard(marker);
    EXPECT_FALSE(guard.MayStart("")) << "the child holds it";
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_TRUE(guard.MayStart("")) << "a killed holder leaves no marker behind";
    ::close(ready[0]);
    ::close(ready[1]);
}

// Without a runtime folder the marker lives in the user's own home; a
// folder there that others may enter (squatted, or opened up) is refused,
// never taken for "no other copy".
TEST(FlockMarker, FallsBackToAPrivateFolderInTheHomeAndRefusesAnOpenOne) {
    auto keep = [](const char* name) {
        const char* v = std::getenv(name);
        return std::pair<std::string, bool>(v ? v : "", v != nullptr);
    };
    const auto runtime = keep("XDG_RUNTIME_DIR"), state = keep("XDG_STATE_HOME");
    QTemporaryDir home;
    const std::string squat = home.path().toStdString() + "/squat";
    ::mkdir(squat.c_str(), 0700);
    ::chmod(squat.c_str(), 0777);
    ::setenv("XDG_RUNTIME_DIR", squat.c_str(), 1);
    ::setenv("XDG_STATE_HOME", home.path().toStdString().c_str(), 1);
    const auto dir = tray_qt::MarkerDirectory();
    EXPECT_EQ(dir, home.path().toStdString() + "/dormix");
    struct stat st {};
    ASSERT_EQ(::stat(dir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    ::chmod(dir.c_str(), 0777);
    EXPECT_TRUE(tray_qt::MarkerDirectory().empty());
    ::rmdir(dir.c_str());
    ASSERT_EQ(::symlink(squat.c_str(), dir.c_str()), 0);
    EXPECT_TRUE(tray_qt::MarkerDirectory().empty()) << "a link to a folder of others";
    for (auto [name, value] : {std::pair{"XDG_RUNTIME_DIR", runtime}, {"XDG_STATE_HOME", state}}) {
        if (value.second)
            ::setenv(name, value.first.c_str(), 1);
        else
            ::unsetenv(name);
    }
}

std::string ReadAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Whatever stands at the log's place that is not a plain file is a missing
// log: nothing is written through it, created behind it, or waited on.
TEST(LogFilesOnLinux, LinksPipesAndFoldersAreNoLogFile) {
    namespace fs = std::filesystem;
    QTemporaryDir dir;
    const fs::path log = fs::path(dir.path().toStdString()) / "DormixL.log";
    const fs::path other = fs::path(dir.path().toStdString()) / "other";
    linux_log::FileSystemLogFiles files;

    fs::create_symlink(other, log);  // dangling
    EXPECT_FALSE(files.FileExists(log));
    EXPECT_THROW(files.AppendLine(log, "x"), log::LogFileMissing);
    EXPECT_THROW(files.CreateWithHeader(log, "header"), std::exception);
    EXPECT_FALSE(fs::exists(other)) << "the link's target was created";

    std::ofstream(other) << "someone else's\n";
    EXPECT_FALSE(files.FileExists(log));
    EXPECT_THROW(files.AppendLine(log, "x"), log::LogFileMissing);
    EXPECT_EQ(ReadAll(other), "someone else's\n");

    fs::remove(log);
    ASSERT_EQ(::mkfifo(log.c_str(), 0600), 0);
    EXPECT_FALSE(files.FileExists(log));
    EXPECT_THROW(files.AppendLine(log, "x"), log::LogFileMissing) << "no reader";
    const int reader = ::open(log.c_str(), O_RDONLY | O_NONBLOCK);
    EXPECT_THROW(files.AppendLine(log, "x"), log::LogFileMissing) << "with a reader";
    char byte;
    EXPECT_LE(::read(reader, &byte, 1), 0) << "a line went into the pipe";
    ::close(reader);

    fs::remove(log);
    fs::create_directory(log);
    EXPECT_THROW(files.AppendLine(log, "x"), log::LogFileMissing);
}

// Two copies share the log; one hits a file-size limit mid-line while the
// other appended after it measured the file. Only the failed copy's bytes
// go, and the other's line stays whole.
TEST(LogFilesOnLinux, ARollBackTakesBackOnlyItsOwnBytes) {
    namespace fs = std::filesystem;
    QTemporaryDir dir;
    const fs::path log = fs::path(dir.path().toStdString()) / "DormixL.log";
    const std::string before = "Dormix Lite\r\n";
    const std::string theirs = "07-Dec-26 09:05:02,  Enter    , Run       , Count:   0";
    std::ofstream(log, std::ios::binary) << before;
    linux_log::FileSystemLogFiles files;

    // This process is the other copy: it holds the lock while it appends.
    const int held = ::open(log.c_str(), O_WRONLY | O_APPEND);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{rlim_t(before.size() + theirs.size() + 2 + 10),
                           rlim_t(before.size() + theirs.size() + 2 + 10)};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        try {
            files.AppendLine(log, theirs);
        } catch (const log::LogFileMissing&) {
            ::_exit(2);
        } catch (const std::exception&) {
            ::_exit(0);  // the write failure the program reports
        }
        ::_exit(1);
    }
    // Waits until the failing copy has the file open, and so stands at the lock.
    const fs::path fds = "/proc/" + std::to_string(child) + "/fd";
    auto opened = [&] {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(fds, ec))
            if (fs::read_symlink(e.path(), ec) == log) return true;
        return false;
    };
    for (int i = 0; i < 100000 && !opened(); ++i) ::sched_yield();
    ASSERT_TRUE(opened());
    const std::string line = theirs + "\r\n";
    ASSERT_EQ(::write(held, line.data(), line.size()), ssize_t(line.size()));
    ::flock(held, LOCK_UN);
    ::close(held);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(ReadAll(log), before + line);
}

// Which files count, in which order, and that nothing there can hold the
// start up. Ownership by root is part of it, so this runs as root only.
TEST(ConfFiles, ReadsTheFileThenTheDropInsInNameOrderAndPassesOverUnsafeOnes) {
    if (geteuid() != 0) GTEST_SKIP() << "the files must belong to root";
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString(), drop = root + "/conf.d";
    std::filesystem::create_directory(drop);
    auto write = [](const std::string& path, const std::string& text, mode_t mode = 0644) {
        std::ofstream(path) << text;
        ::chmod(path.c_str(), mode);
    };
    write(root + "/dormix-lite.conf", "IdleLimitSeconds=1800\n");
    write(drop + "/20-b.conf", "CountdownSeconds=30\n");
    write(drop + "/10-a.conf", "CountdownSeconds=20\n");
    write(drop + "/15-notes.txt", "CountdownSeconds=99\n");
    write(drop + "/30-open.conf", "IdleLimitSeconds=60\n", 0666);
    write(drop + "/40-theirs.conf", "IdleLimitSeconds=60\n");
    ASSERT_EQ(::chown((drop + "/40-theirs.conf").c_str(), 65534, 65534), 0);
    write(drop + "/50-big.conf", std::string(64 * 1024 + 1, '#'));
    ASSERT_EQ(::mkfifo((drop + "/60-fifo.conf").c_str(), 0644), 0);  // nobody writes it
    std::filesystem::create_directory(drop + "/70-folder.conf");
    write(drop + "/80-group.conf", "IdleLimitSeconds=60\n", 0664);
    ASSERT_EQ(::chown((drop + "/80-group.conf").c_str(), 0, 100), 0);  // root:users
    write(drop + "/85-rootgroup.conf", "HoldLimitSeconds=60\n", 0664);
    std::filesystem::create_symlink(drop + "/gone", drop + "/90-dangling.conf");

    const settings::Reading r = linux_settings::ConfFiles(root).Read();
    std::vector<std::string> read;
    for (const auto& f : r.values) read.push_back(f.where + ":" + f.name + "=" + f.value);
    EXPECT_EQ(read, (std::vector<std::string>{root + "/dormix-lite.conf:IdleLimitSeconds=1800",
                                              drop + "/10-a.conf:CountdownSeconds=20",
                                              drop + "/20-b.conf:CountdownSeconds=30",
                                              drop + "/85-rootgroup.conf:HoldLimitSeconds=60"}));
    EXPECT_EQ(
        r.problems,
        (std::vector<std::string>{
            drop + "/30-open.conf: writable by others; ignored.",
            drop + "/40-theirs.conf: not owned by root; ignored.",
            drop + "/50-big.conf: larger than 64 KiB; ignored.",
            drop + "/60-fifo.conf: not a regular file; ignored.",
            drop + "/70-folder.conf: not a regular file; ignored.",
            drop + "/80-group.conf: writable by its group; ignored.",
            drop + "/90-dangling.conf: cannot be read: No such file or directory; ignored."}));
    EXPECT_TRUE(r.placeExists);
    // Folders others may change: nothing in them is read, each file named.
    const auto unsafe = [&](const std::string& folder, mode_t mode, uid_t uid) {
        EXPECT_EQ(::chmod(folder.c_str(), mode) | ::chown(folder.c_str(), uid, 0), 0);
        const settings::Reading u = linux_settings::ConfFiles(root).Read();
        EXPECT_EQ(::chmod(folder.c_str(), 0755) | ::chown(folder.c_str(), 0, 0), 0);
        return u;
    };
    settings::Reading u = unsafe(drop, 0777, 0);
    EXPECT_EQ(u.values.size(), 1u);
    EXPECT_EQ(u.problems[0], drop + ": writable by others; nothing in it is read.");
    EXPECT_EQ(u.problems[1], drop + "/10-a.conf: in a folder others may change; ignored.");
    u = unsafe(root, 0755, 1000);
    EXPECT_TRUE(u.values.empty());
    EXPECT_EQ(u.problems.size(), 1u + 11u);
    EXPECT_EQ(u.problems[1], root + "/dormix-lite.conf: in a folder others may change; ignored.");
    // No folder at all is no policy, and nothing to warn about.
    const settings::Reading none = linux_settings::ConfFiles(root + "/absent").Read();
    EXPECT_TRUE(none.values.empty() && none.problems.empty() && !none.placeExists);
}

// A source failing for a minute is one line on stderr, under the name the
// report was given, and none where stderr is the journal's own stream.
TEST(StderrReport, OneLineEachAndNoneIntoTheJournalsStream) {
    class Failing final : public monitor::ActivitySource {
        bool ActiveSinceLastSample() override { return true; }
        bool LastAnswerFailed() const override { return true; }
        std::string_view Name() const override { return "logind's sessions"; }
    } failing;
    for (const bool journal : {false, true}) {
        ::testing::internal::CaptureStderr();
        struct stat st {};
        ASSERT_EQ(::fstat(STDERR_FILENO, &st), 0);
        const std::string stream = std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
        ::setenv("JOURNAL_STREAM", journal ? stream.c_str() : "1:2", 1);
        linux_log::StderrReport report(log::NoSystemLog::Instance(), "dormix-lite-watch");
        monitor::InputSampler sampler(nullptr, &failing, report);
        for (int i = 0; i < 61; ++i) sampler.SampleActivity();
        ::unsetenv("JOURNAL_STREAM");
        EXPECT_EQ(::testing::internal::GetCapturedStderr(),
                  journal ? ""
                          : "dormix-lite-watch: Dormix Lite Activity Source: The activity source "
                            "logind's sessions has failed for a minute: the computer counts as in "
                            "use and will not power off until it answers again.\n");
    }
}

TEST(LocalClock, MonthFollowsTheTimeLocale) {
    const std::string saved = std::setlocale(LC_TIME, nullptr);
    std::setlocale(LC_TIME, "C");
    linux_log::LocalClock clock;
    const log::LocalTime now = clock.Now();
    static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    EXPECT_EQ(now.monthAbbreviation, months[now.month - 1]);
    EXPECT_GE(now.year, 2024);
    std::setlocale(LC_TIME, saved.c_str());
}

TEST(Priority, RaisesAsFarAsAllowedAndNeverLowers) {
    errno = 0;
    const int before = ::getpriority(PRIO_PROCESS, 0);
    const int after = tray_qt::RaisePriority();
    EXPECT_LE(after, before);
    EXPECT_GE(after, -10) << "no more than the high class asks for";
    EXPECT_EQ(after, ::getpriority(PRIO_PROCESS, 0));
    ::setpriority(PRIO_PROCESS, 0, before);
}

TEST(X11Input, PointerButtonsCountAsTheWindowsKeyCodes) {
    using linux_x11::X11InputSource;
    EXPECT_EQ(X11InputSource::ButtonKeyCode(1), 1);  // left
    EXPECT_EQ(X11InputSource::ButtonKeyCode(3), 2);  // right
    EXPECT_EQ(X11InputSource::ButtonKeyCode(2), 4);  // middle
    EXPECT_EQ(X11InputSource::ButtonKeyCode(8), 5);  // back
    EXPECT_EQ(X11InputSource::ButtonKeyCode(9), 6);  // forward
    for (int wheel : {4, 5, 6, 7, 10}) EXPECT_EQ(X11InputSource::ButtonKeyCode(wheel), 0);
}

TEST(TracingView, WritesOneLinePerChangeWithLineBreaksShown) {
    EXPECT_EQ(tray_qt::TraceLine("ErrorMess", "caption", "a\r\nb\r\nc"),
              "ErrorMess.caption=a | b | c");
    EXPECT_EQ(tray_qt::ColourText(ui::Orange), "#FF8000");
    EXPECT_EQ(tray_qt::ColourText(ui::Colour::ButtonFace()), "ButtonFace");
}

}  // namespace
}  // namespace dormix::testing

namespace dormix::testing {
namespace {

TEST(SignalBridge, TerminationSignalsAndTheSessionsEndBecomeTheOrderlyExit) {
    int ends = 0;
    {
        tray_qt::SignalBridge bridge([&] { ++ends; });
        for (int number : {SIGTERM, SIGINT, SIGHUP}) {
            const int before = ends;
            ::raise(number);  // caught: the test process goes on
            QCoreApplication::processEvents();
            EXPECT_EQ(ends, before + 1) << number;
        }
        // The session manager's "die" makes Qt leave its event loop.
        QTimer::singleShot(0, [] { QCoreApplication::quit(); });
        QCoreApplication::exec();
        EXPECT_EQ(ends, 4);
    }
    // Gone with the bridge: the default action is back.
    struct sigaction now {};
    ::sigaction(SIGTERM, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
}

}  // namespace
}  // namespace dormix::testing

namespace dormix::testing {
namespace {

// Fires the timer's timeout by hand at the injected time.
class HandTicker : public tray_qt::PreciseTicker {
  public:
    using PreciseTicker::Fire;
    using PreciseTicker::PreciseTicker;
};

TEST(PreciseTicker, KeepsTheBeatAndObeysAStopOrRestartFromItsOwnHandler) {
    qint64 now = 0;
    std::function<void()> during;
    int ticks = 0;
    HandTicker ticker(
        1000,
        [&] {
            ++ticks;
            if (during) during();
        },
        [&] { return now; });
    EXPECT_EQ(ticker.ArmedDelayMs(), -1) << "stopped until started";
    ticker.Start();
    EXPECT_EQ(ticker.ArmedDelayMs(), 1000);
    now = 1030;  // delivered 30 ms late: the next one comes 30 ms sooner
    ticker.Fire();
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(ticker.ArmedDelayMs(), 970);
    now = 7000;  // stalled for seconds: no burst of catch-up ticks
    ticker.Fire();
    EXPECT_EQ(ticker.ArmedDelayMs(), 1000);

    during = [&] { ticker.Stop(); };  // the cycle stops the timer (ResetCycle)
    now = 8000;
    ticker.Fire();
    EXPECT_FALSE(ticker.Running());
    EXPECT_EQ(ticker.ArmedDelayMs(), -1);
    ticker.Fire();  // a timeout already queued when it stopped
    EXPECT_EQ(ticks, 3);

    ticker.Start();
    during = [&] {  // ...and starts it again: a full period from now
        ticker.Stop();
        now += 250;
        ticker.Start();
    };
    now = 9000;
    ticker.Fire();
    EXPECT_EQ(ticker.ArmedDelayMs(), 1000);
    EXPECT_TRUE(ticker.Running());
}

}  // namespace
}  // namespace dormix::testing
