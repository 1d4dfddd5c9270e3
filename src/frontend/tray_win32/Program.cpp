#include "frontend/tray_win32/Program.h"

#include <cstdio>

#include "app/Arguments.h"
#include "app/StartRefusal.h"
#include "frontend/tray_win32/Dpi.h"
#include "platform/win32/settings/PolicyKey.h"
#include "ui/Texts.h"

namespace dormix::tray_win32 {

std::string ProgramFileStem() {
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path, n);
    const auto slash = name.find_last_of("\\/");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    const auto dot = name.find_last_of('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

namespace {

// The warnings also go to stderr, which a GUI program has only when started
// from a console that passes it on (Wine does).
settings::Effective LoadPolicy() {
    win32_settings::PolicyKey key;
    settings::Effective effective = settings::Load(key);
    for (const std::string& warning : effective.warnings)
        std::fprintf(stderr, "DormixL: %s\n", warning.c_str());
    return effective;
}

}  // namespace

Program::Program(HINSTANCE instance, std::string argumentText)
    : instance_(instance),
      allowMulti_(app::HasAllowMulti(argumentText)),
      dpi_(tray_win32::SystemDpi()),
      shell_(instance, dpi_, view_),
      settings_(LoadPolicy()),
      app_({.view = view_,
            .desktop = app::Desktop::Of(shell_),
            .input = &input_,
            .files = files_,
            .clock = clock_,
            .power = power_,
            .marker = marker_,
            .systemLog = eventLog_,
            .activity = &net_,
            .otherSessions = &otherSessions_,
            .settings = &settings_,
            .holds = &displayRequests_},
           std::move(argumentText), ProgramFileStem()) {
    shell_.SetApplication(app_);
}

// The notice copy never builds the main window, so it leaves no tray icon
// and writes nothing to the log.
int Program::Run() {
    if (!app_.Main()) {
        notice_ = std::make_unique<tray_win32::NoticeWindow>(instance_, dpi_, app_, view_);
        notice_->Build();
        shell_.AttachNotice(notice_->Handle());
        app_.OnNoticeLoad();
        ShowWindow(notice_->Handle(), SW_SHOW);
        return MessageLoop();
    }
    // A first copy holds the mutex; one that could not make it cannot know
    // it is the first, and two copies counting down at once is worse than none.
    if (app_.Guard().GuardHandle() == 0 && !allowMulti_) return RefuseWithoutMarker();
    main_ = std::make_unique<tray_win32::MainWindow>(instance_, dpi_, app_, view_, shell_);
    shell_.AttachMain(*main_);
    main_->Build();
    // The loading runs on the hidden window and leaves it in the tray.
    app_.OnMainLoad();
    return MessageLoop();
}

int Program::RefuseWithoutMarker() {
    const app::StartRefusal refusal = app::MarkerRefusal(text::MarkerUnmade);
    app::MirrorRefusal(refusal, eventLog_);
    MessageBoxA(nullptr, refusal.text.c_str(), refusal.title.c_str(), MB_OK | MB_ICONWARNING);
    return 1;
}

void WarnOnStderr(std::string_view line) {
    if (line.empty()) return;
    const std::string out = std::string(line) + "\r\n";
    DWORD written = 0;
    // A GUI program has no console of its own. Its stderr is a real handle
    // only when whoever started it redirected it (a script, a scheduled
    // task's wrapper); otherwise the console of a command prompt that
    // started it gets the line; started from Explorer, nobody could read it.
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (err && err != INVALID_HANDLE_VALUE &&
        WriteFile(err, out.data(), DWORD(out.size()), &written, nullptr))
        return;
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
    const HANDLE console =
        CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (console != INVALID_HANDLE_VALUE) {
        WriteFile(console, out.data(), DWORD(out.size()), &written, nullptr);
        CloseHandle(console);
    }
    FreeConsole();
}

int Program::MessageLoop() {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        // Tab and Enter move between and press buttons as in a dialog.
        HWND root = GetAncestor(msg.hwnd, GA_ROOT);
        if (root && IsDialogMessageA(root, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace dormix::tray_win32
