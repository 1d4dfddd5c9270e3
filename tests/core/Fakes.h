#pragma once
// Fakes of every port, recording what the core asked for, and a rig that
// wires them to one Application the way a platform's main() does.

#include <bitset>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/Application.h"
#include "log/ProgramError.h"
#include "monitor/LastInputNet.h"

namespace dormix::testing {

// Thrown where a real platform would end the process.
struct ProgramEnded {};

// Runs `action`; true when it ended the program.
bool EndsProgram(const std::function<void()>& action);

struct ControlState {
    std::string caption;
    ui::Colour fore = ui::Colour::ButtonText();
    ui::Colour back = ui::Colour::ButtonFace();
    bool bold = false;
    bool enabled = true;
    std::string tooltip;
};

class FakeView : public ui::View {
  public:
    FakeView();
    void SetWindowCaption(ui::Wnd w, std::string_view c) override { windowCaption[w] = c; }
    void SetCaption(ui::Ctl c, std::string_view t) override { controls[c].caption = t; }
    void SetForeColour(ui::Ctl c, ui::Colour v) override { controls[c].fore = v; }
    void SetBackColour(ui::Ctl c, ui::Colour v) override { controls[c].back = v; }
    void SetBold(ui::Ctl c, bool b) override { controls[c].bold = b; }
    void SetEnabled(ui::Ctl c, bool e) override { controls[c].enabled = e; }
    void SetTooltip(ui::Ctl c, std::string_view t) override { controls[c].tooltip = t; }

    const std::string& Text(ui::Ctl c) { return controls[c].caption; }

    std::map<ui::Wnd, std::string> windowCaption;
    std::map<ui::Ctl, ControlState> controls;
};

using ui::MessageIcon;

struct Message {
    std::string text, title;
    ui::MessageIcon icon;
};

class FakeShell : public app::DesktopPorts {
  public:
    void StartRefreshTimer() override { Record("timer on"), timerRunning = true; }
    void StopRefreshTimer() override { Record("timer off"), timerRunning = false; }
    bool IsMinimised() override { return minimised; }
    void SetMinimised() override;
    void SetNormal() override { Record("normal"), minimised = false; }
    void ShowWindow() override { Record("show"), visible = true; }
    void HideWindow() override { Record("hide"), visible = false; }
    ui::TwipsSize ScreenSize() override { return screen; }
    ui::TwipsSize WindowOuterSize() override { return window; }
    void MoveWindow(float left, float top) override;
    void SetTopmost() override { Record("topmost"), topmost = true, visible = true; }
    void ClearTopmost() override { Record("not topmost"), topmost = false; }
    void PrepareTrayIcon() override { Record("tray prepare"); }
    void TrayAdd() override;
    void TrayDelete() override { Record("tray delete"), trayIcon = false; }
    void MessageBox(std::string_view text, std::string_view title, ui::MessageIcon icon) override;
    void ShowAboutModal() override;
    void CloseAbout() override { Record("about close"), aboutShown = false; }
    void ProcessPendingMessages() override { Record("pending"); }
    bool OpenWebPage(std::string_view address) override;
    void RaisePriority() override { Record("priority"); }
    void SetNoticeTopmost() override { Record("notice topmost"); }
    void EndProcess(bool failed) override;
    bool Failed() const { return failed; }

    void Record(std::string what) { calls.push_back(std::move(what)); }

    std::vector<std::string> calls;
    std::vector<Message> messages;
    bool timerRunning = false, minimised = false, visible = true, topmost = false;
    bool trayIcon = false, aboutShown = false, ended = false, failed = false;
    ui::TwipsSize screen{15360, 11520}, window{7350, 1380};
    float left = 0, top = 0;
    bool browserOpens = true;
    bool browserThrows = false;

    // Run while a modal box or the About window is open, as a platform's
    // nested message loop would deliver timer ticks.
    std::function<void(const Message&)> duringMessage;
    std::function<void()> duringAbout;
    // A real window system reports a minimise as a resize.
    std::function<void()> onResize;
    std::function<void()> onAboutLoad;

    // The end of a program wired to this fake alone (the log's own tests).
    log::ProgramEnd end{*this, *this, this, *this};
};

class FakeInput : public monitor::InputSource {
  public:
    void ReadKeys(std::bitset<256>& active) override {
        active = down | pressed;
        pressed.reset();
        ++keyReads;
    }
    bool ReadCursor(monitor::CursorPoint& p) override {
        if (!cursorWorks) return false;
        p = cursor;
        return true;
    }
    std::bitset<256> down, pressed;
    monitor::CursorPoint cursor{};
    bool cursorWorks = true;
    int keyReads = 0;
};

// Answers what the test queued, then "nothing"; counts the questions.
class FakeActivity : public monitor::ActivitySource {
  public:
    bool ActiveSinceLastSample() override {
        ++asked;
        const bool a = active || failing;
        active = false;
        return a;
    }
    bool LastAnswerFailed() const override { return failing; }
    std::string_view Name() const override { return "fake idle monitor"; }
    bool active = false;
    bool failing = false;
    int asked = 0;
};

// Answers whether another session is in use as the test sets it; counts
// the questions.
class FakeOtherSessions : public monitor::OtherSessions {
  public:
    bool OtherSessionInUse() override {
        ++asked;
        return inUse;
    }
    bool inUse = false;
    int asked = 0;
};

// The holds in force as the test sets them; counts the questions.
class FakeHolds : public monitor::Holds {
  public:
    monitor::HoldAnswer Ask() override {
        ++asked;
        monitor::HoldAnswer answer = monitor::HoldAnswer::Failed(failure);
        answer.holders = holders;
        answer.locks = locks;
        return answer;
    }
    std::vector<std::string> holders, locks;
    std::string failure;
    int asked = 0;
};

// The session's last-input tick as the test sets it; fails when told to.
class FakeLastInput : public monitor::LastInputClock {
  public:
    bool ReadLastInputTick(std::uint32_t& t) override {
        if (!works) return false;
        t = tick;
        return true;
    }
    std::string_view Name() const override { return "GetLastInputInfo"; }
    std::uint32_t tick = 0;
    bool works = true;
};

class FakeClock : public log::Clock {
  public:
    log::LocalTime Now() override { return time; }
    void Advance(int seconds);
    log::LocalTime time{2026, 12, 6, 12, 3, 52, "Dec"};
};

// The log's files in memory, with failures to order.
class MemoryLogFiles : public log::LogFiles {
  public:
    bool FolderExists(const std::filesystem::path& p) override;
    bool FileExists(const std::filesystem::path& p) override;
    bool CreateWithHeader(const std::filesystem::path& p, std::string_view header) override;
    void AppendLine(const std::filesystem::path& p, std::string_view text) override;

    std::vector<std::string> Lines() const;    // the file `linesOf` split at CR LF
    std::vector<std::string> Entries() const;  // entry lines without their time stamp

    bool folder = true;
    std::map<std::string, std::string> files;
    std::string linesOf = "Log/DormixL.log";
    bool failLookup = false, failCreate = false, failAppend = false;
    int appends = 0;
};

class FakePower : public power::PowerApi {
  public:
    bool ReachPowerService() override { return Step("lookup", lookup); }
    bool IdentifyProcess() override { return Step("process", process); }
    bool MayPowerOff(std::uint32_t access) override;
    bool ClaimPowerOffRight() override { return Step("adjust", adjust); }
    void ReleaseRights() override { calls.push_back("close"); }
    bool RequestPowerOff(std::int32_t flags, std::uint32_t reason) override;
    bool MaySleep(power::EndAction action) override;
    bool RequestSleep(power::EndAction action) override;
    std::uint32_t LastError() override;
    std::uint32_t ErrorText(std::uint32_t code, char* buffer, std::uint32_t size) override;

    bool Step(const char* name, bool ok);

    bool lookup = true, process = true, token = true, adjust = true, exitOk = true;
    bool canSleep = true, sleepOk = true;
    std::function<void()> duringSleep;  // while the request waits on the system
    std::uint32_t failingError = 5;
    std::map<std::uint32_t, std::string> systemTexts{{5, "Access is denied.\r\n"}};
    std::vector<std::string> calls;
    std::uint32_t lastError = 0;
};

// The system log's copies, kept as plain values.
struct MirroredEntry {
    log::SystemEvent event;
    std::string line, action, detail;
    std::int16_t count;
    bool testMode;
    std::string phase;
    bool inhibitShutdown;
    bool operator==(const MirroredEntry&) const = default;
};
struct MirroredFailure {
    log::SystemEvent event;
    std::string title, text;
    std::int32_t number;
    std::string source;
    bool operator==(const MirroredFailure&) const = default;
};

class RecordingSystemLog : public log::SystemLog {
  public:
    void Entry(const log::SystemLogEntry& e) noexcept override;
    void Failure(const log::SystemLogFailure& f) noexcept override;
    std::vector<MirroredEntry> entries;
    std::vector<MirroredFailure> failures;
};

// Named markers shared by every "process" in one test.
class MarkerSystem {
  public:
    std::map<std::string, int> holders;
    app::MarkerHandle next = 100;
    std::map<app::MarkerHandle, std::string> open;
};

class FakeMarker : public app::InstanceMarker {
  public:
    explicit FakeMarker(MarkerSystem& system) : system_(system) {}
    Created Create(std::string_view name, bool initialOwner) override;
    void Close(app::MarkerHandle handle) override;
    void EndProcess();  // the system releases what the process held
    bool fail = false;
    std::vector<app::MarkerHandle> held;

  private:
    MarkerSystem& system_;
};

// One process of the program.
struct Rig {
    explicit Rig(std::string arguments = "", MarkerSystem* markers = nullptr,
                 const settings::Effective* settings = nullptr);

    // Main and the loading of the main window; false when the notice shows.
    bool Start();
    // `n` ticks of tmrRefresh, one second each.
    void Tick(int n = 1);
    bool Ends(const std::function<void()>& action) { return EndsProgram(action); }
    std::string Counter() { return view.Text(ui::Ctl::Counter); }

    MarkerSystem ownMarkers;
    FakeView view;
    FakeShell shell;
    FakeInput input;
    // The Windows wiring: the poll with the session's last-input tick beside it.
    FakeLastInput lastInput;
    monitor::LastInputNet net{lastInput};
    FakeClock clock;
    MemoryLogFiles files;
    FakePower power;
    FakeOtherSessions others;
    FakeHolds holds;
    FakeMarker marker;
    RecordingSystemLog systemLog;
    app::Application app;
};

}  // namespace dormix::testing
