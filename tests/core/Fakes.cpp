#include "Fakes.h"

#include <stdexcept>

namespace dormix::testing {

FakeView::FakeView() {
    for (const auto& c : ui::Controls()) controls[c.id].caption = std::string(c.caption);
}

void FakeShell::SetMinimised() {
    Record("minimise");
    minimised = true;
    if (onResize) onResize();
}

void FakeShell::MoveWindow(float l, float t) {
    Record("move");
    left = l;
    top = t;
}

void FakeShell::TrayAdd() {
    Record("tray add");
    trayIcon = true;
}

void FakeShell::MessageBox(std::string_view text, std::string_view title, ui::MessageIcon icon) {
    Record("message " + std::string(title));
    messages.push_back({std::string(text), std::string(title), icon});
    if (duringMessage) duringMessage(messages.back());
}

void FakeShell::ShowAboutModal() {
    Record("about show");
    aboutShown = true;
    if (onAboutLoad) onAboutLoad();
    // The modal loop: runs until the About window has been closed.
    for (int guard = 0; aboutShown && duringAbout; ++guard) {
        if (guard > 1000) throw std::logic_error("About window never closed");
        duringAbout();
    }
}

bool FakeShell::OpenWebPage(std::string_view address) {
    Record("browser " + std::string(address));
    if (browserThrows) throw ProgramError(-2147024894, "shell", "The system cannot find the file");
    return browserOpens;
}

void FakeShell::EndProcess(bool failedEnd) {
    Record("end");
    ended = true;
    failed = failedEnd;
    throw ProgramEnded{};
}

void FakeClock::Advance(int seconds) {
    int total = time.hour * 3600 + time.minute * 60 + time.second + seconds;
    time.day += total / 86400;
    total %= 86400;
    time.hour = total / 3600;
    time.minute = total / 60 % 60;
    time.second = total % 60;
}

namespace {
std::string Key(const std::filesystem::path& p) { return p.generic_string(); }
}  // namespace

bool MemoryLogFiles::FolderExists(const std::filesystem::path& p) {
    if (failLookup) throw std::runtime_error("lookup refused");
    return folder && Key(p) == "Log";
}

bool MemoryLogFiles::FileExists(const std::filesystem::path& p) {
    if (failLookup) throw std::runtime_error("lookup refused");
    return files.count(Key(p)) != 0;
}

bool MemoryLogFiles::CreateWithHeader(const std::filesystem::path& p, std::string_view header) {
    if (failCreate || !folder) throw std::runtime_error("create refused");
    if (files.count(Key(p))) return false;
    ++appends;
    files[Key(p)].append(header).append("\r\n");
    return true;
}

void MemoryLogFiles::AppendLine(const std::filesystem::path& p, std::string_view text) {
    if (failAppend || !files.count(Key(p))) throw std::runtime_error("write refused");
    ++appends;
    files[Key(p)].append(text).append("\r\n");
}

std::vector<std::string> MemoryLogFiles::Lines() const {
    std::vector<std::string> out;
    auto it = files.find(linesOf);
    if (it == files.end()) return out;
    const std::string& s = it->second;
    std::size_t from = 0;
    for (std::size_t at; (at = s.find("\r\n", from)) != std::string::npos; from = at + 2)
        out.push_back(s.substr(from, at - from));
    if (from != s.size()) out.push_back(s.substr(from) + "<no CR LF>");
    return out;
}

std::vector<std::string> MemoryLogFiles::Entries() const {
    std::vector<std::string> out;
    for (const auto& line : Lines())
        if (line.size() > 20 && line.find(", Count:") != std::string::npos)
            out.push_back(line.substr(20));
    return out;
}

bool FakePower::MayPowerOff(std::uint32_t access) {
    calls.push_back("open " + std::to_string(access));
    if (!token) lastError = failingError;
    return token;
}

bool FakePower::RequestPowerOff(std::int32_t flags, std::uint32_t reason) {
    calls.push_back("exit " + std::to_string(flags) + " " + std::to_string(reason));
    if (!exitOk) lastError = failingError;
    return exitOk;
}

bool FakePower::MaySleep(power::EndAction action) {
    return Step(action == power::EndAction::Hibernate ? "can hibernate" : "can sleep", canSleep);
}

bool FakePower::RequestSleep(power::EndAction action) {
    if (duringSleep) duringSleep();
    return Step(action == power::EndAction::Hibernate ? "hibernate" : "sleep", sleepOk);
}

bool FakePower::Step(const char* name, bool ok) {
    calls.push_back(name);
    if (!ok) lastError = failingError;
    return ok;
}

std::uint32_t FakePower::LastError() {
    calls.push_back("last error");
    return lastError;
}

std::uint32_t FakePower::ErrorText(std::uint32_t code, char* buffer, std::uint32_t size) {
    calls.push_back("format " + std::to_string(code));
    auto it = systemTexts.find(code);
    if (it == systemTexts.end()) return 0;
    const std::size_t n = std::min<std::size_t>(it->second.size(), size);
    it->second.copy(buffer, n);
    return std::uint32_t(n);
}

app::InstanceMarker::Created FakeMarker::Create(std::string_view name, bool) {
    if (fail) return {0, false};
    const std::string key(name);
    const bool existed = system_.holders[key] > 0;
    ++system_.holders[key];
    const app::MarkerHandle h = system_.next++;
    system_.open[h] = key;
    held.push_back(h);
    return {h, existed};
}

void FakeMarker::Close(app::MarkerHandle h) {
    auto it = system_.open.find(h);
    if (it == system_.open.end()) throw std::logic_error("closing a handle not open");
    --system_.holders[it->second];
    system_.open.erase(it);
    std::erase(held, h);
}

void FakeMarker::EndProcess() {
    for (auto h : std::vector<app::MarkerHandle>(held)) Close(h);
}

void RecordingSystemLog::Entry(const log::SystemLogEntry& e) noexcept {
    entries.push_back({e.event, std::string(e.line), std::string(e.action), std::string(e.detail),
                       e.count, e.testMode, std::string(e.phase), e.inhibitShutdown});
}

void RecordingSystemLog::Failure(const log::SystemLogFailure& f) noexcept {
    failures.push_back(
        {f.event, std::string(f.title), std::string(f.text), f.number, std::string(f.source)});
}

Rig::Rig(std::string arguments, MarkerSystem* markers, const settings::Effective* settings)
    : marker(markers ? *markers : ownMarkers),
      app({.view = view,
           .desktop = app::Desktop::Of(shell),
           .input = &input,
           .files = files,
           .clock = clock,
           .power = power,
           .marker = marker,
           .systemLog = systemLog,
           .activity = &net,
           .otherSessions = &others,
           .settings = settings,
           .holds = &holds},
          std::move(arguments), "DormixL") {
    shell.onResize = [this] { app.OnMainResize(); };
    shell.onAboutLoad = [this] { app.OnAboutLoad(); };
}

bool Rig::Start() {
    if (!app.Main()) {
        app.OnNoticeLoad();
        app.OnNoticeActivate();
        return false;
    }
    app.OnMainLoad();
    return true;
}

void Rig::Tick(int n) {
    for (int i = 0; i < n; ++i) {
        clock.Advance(1);
        app.OnRefreshTick();
    }
}

bool EndsProgram(const std::function<void()>& action) {
    try {
        action();
    } catch (const ProgramEnded&) {
        return true;
    }
    return false;
}

}  // namespace dormix::testing
