// dormix-driver.exe: drives DormixL.exe from outside, as a user would, for
// the end-to-end scripts. One command per run; prints what it saw; exit
// code 0 on success, 1 when a wait ran out or a window was missing, 2 on
// bad usage. Windows are found by caption, controls by their inventory name
// (or, in a message box, by the button's text).

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "frontend/tray_win32/ControlIds.h"
#include "log/ProgramError.h"
#include "platform/win32/monitor/DisplayRequests.h"
#include "platform/win32/monitor/WtsSessions.h"
#include "platform/win32/power/TokenPowerApi.h"
#include "power/ShutdownService.h"
#include "ui/Inventory.h"

namespace {

using namespace dormix;

constexpr int PollMs = 10;

struct Search {
    const std::string* caption;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectByCaption(HWND h, LPARAM p) {
    auto* s = reinterpret_cast<Search*>(p);
    char text[256] = {};
    GetWindowTextA(h, text, sizeof text);
    if (*s->caption == text) s->found.push_back(h);
    return TRUE;
}

std::vector<HWND> TopLevelWindows(const std::string& caption) {
    Search search{&caption, {}};
    EnumWindows(&CollectByCaption, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindTop(const std::string& caption) {
    auto all = TopLevelWindows(caption);
    return all.empty() ? nullptr : all.front();
}

std::string TextOf(HWND h) {
    char text[1024] = {};
    DWORD_PTR n = 0;
    SendMessageTimeoutA(h, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 2000, &n);
    return std::string(text, n);
}

std::string ClassOf(HWND h) {
    char name[64] = {};
    GetClassNameA(h, name, sizeof name);
    return name;
}

bool WindowOfClass(const std::string& cls, ui::Wnd& out) {
    for (const auto& w : ui::Windows())
        if (cls == w.name) {
            out = w.id;
            return true;
        }
    return false;
}

// A control by inventory name, or any child whose text is `name` (message box buttons),
// or "static": the first static child with text (a message box's message).
HWND FindControl(HWND top, const std::string& name) {
    ui::Wnd w;
    if (WindowOfClass(ClassOf(top), w))
        for (const auto& c : ui::Controls())
            if (c.window == w && c.name == name)
                return GetDlgItem(top, tray_win32::ControlId(c.id));
    for (HWND child = GetWindow(top, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::string cls = ClassOf(child), text = TextOf(child);
        if (name == "static" && _stricmp(cls.c_str(), "Static") == 0 && !text.empty()) return child;
        if (text == name) return child;
    }
    return nullptr;
}

template <typename Pred>
bool WaitFor(int timeoutMs, Pred pred) {
    for (int waited = 0;; waited += PollMs) {
        if (pred()) return true;
        if (waited >= timeoutMs) return false;
        Sleep(PollMs);
    }
}

int Fail(const std::string& what) {
    std::printf("FAIL %s\n", what.c_str());
    return 1;
}

int Run(const std::vector<std::string>& a) {
    const std::string& cmd = a[0];
    const auto arg = [&](std::size_t i) -> const std::string& {
        static const std::string empty;
        return i < a.size() ? a[i] : empty;
    };
    const auto timeout = [&](std::size_t i) {
        return i < a.size() ? std::atoi(a[i].c_str()) : 10000;
    };

    if (cmd == "wait")  // wait CAPTION [ms]
        return WaitFor(timeout(2), [&] { return FindTop(arg(1)) != nullptr; })
                   ? (std::printf("found\n"), 0)
                   : Fail("no window " + arg(1));
    if (cmd == "gone")  // gone CAPTION [ms]
        return WaitFor(timeout(2), [&] { return FindTop(arg(1)) == nullptr; })
                   ? (std::printf("gone\n"), 0)
                   : Fail("still there: " + arg(1));
    if (cmd == "shutdown") {  // shutdown FLAGS: the real power-off service, result or error
        win32_power::TokenPowerApi api;
        power::ShutdownService service(api, "dormix-driver");
        try {
            const bool ok = service.ShutdownSystem(std::atoi(arg(1).c_str()));
            std::printf("%s\n", ok ? "true" : "false");
        } catch (const ProgramError& e) {
            std::printf("error %d %s\n", static_cast<int>(e.Number()), e.Description().c_str());
        }
        std::fflush(stdout);  // the system may end this process at any moment now
        return 0;
    }
    if (cmd == "other-sessions") {  // the program's answer: "in use" or "nobody"
        win32_monitor::WtsSessions sessions;
        std::printf("%s\n", sessions.OtherSessionInUse() ? "in use" : "nobody");
        return 0;
    }
    if (cmd == "holds") {  // the program's answer: one line per holder, "none", or the failure
        const monitor::HoldAnswer answer = win32_monitor::DisplayRequests().Ask();
        for (const std::string& holder : answer.holders) std::printf("%s\n", holder.c_str());
        if (!answer.failure.empty()) std::printf("failure: %s\n", answer.failure.c_str());
        if (answer.holders.empty() && answer.failure.empty()) std::printf("none\n");
        return 0;
    }
    if (cmd == "eventtext") {  // eventtext FILE ID [STRING...]: a message table's text, filled in
        HMODULE module = LoadLibraryExA(arg(1).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        if (!module) return Fail("cannot load " + arg(1));
        std::vector<DWORD_PTR> strings;
        for (std::size_t i = 3; i < a.size(); ++i)
            strings.push_back(reinterpret_cast<DWORD_PTR>(a[i].c_str()));
        char* text = nullptr;
        const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY |
                                           FORMAT_MESSAGE_ALLOCATE_BUFFER,
                                       module, std::strtoul(arg(2).c_str(), nullptr, 0), 0,
                                       reinterpret_cast<char*>(&text), 0,
                                       reinterpret_cast<va_list*>(strings.data()));
        if (!n) return Fail("no message " + arg(2) + ": error " + std::to_string(GetLastError()));
        std::fwrite(text, 1, n, stdout);
        LocalFree(text);
        return 0;
    }
    if (cmd == "steal-keys") {  // steal-keys CAPTION: a hot-key tool of our own, until closed
        // A window of its own, in front, polling every key as such tools do:
        // whoever asks GetAsyncKeyState first takes the "pressed since the
        // previous query" bit, so a tap between two of the program's samples
        // reaches only this process. Prints how many taps it took once its
        // window is closed.
        HWND own = CreateWindowExA(0, "STATIC", arg(1).c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                   40, 40, 240, 120, nullptr, nullptr, nullptr, nullptr);
        SetForegroundWindow(own);
        unsigned taps = 0;
        while (IsWindow(own)) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
            for (int code = 0; code < 256; ++code)
                if (GetAsyncKeyState(code) & 1) ++taps;
            Sleep(2);
        }
        std::printf("took %u\n", taps);
        return 0;
    }
    if (cmd == "squat") {  // squat NAME: holds an event under the program's mutex name until killed
        HANDLE h = CreateEventA(nullptr, TRUE, FALSE, arg(1).c_str());
        if (!h) return Fail("cannot make " + arg(1));
        std::printf("squatting\n");
        std::fflush(stdout);
        WaitForSingleObject(h, INFINITE);
        return 0;
    }
    if (cmd == "doom-service") {  // doom-service NAME MS: deleted, but held open for MS ms
        // Until its last handle closes the service stays "marked for
        // deletion": neither a new one of that name nor a change is taken.
        SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
        SC_HANDLE service = manager ? OpenServiceA(manager, arg(1).c_str(), DELETE) : nullptr;
        if (!service || !DeleteService(service)) return Fail("cannot delete " + arg(1));
        std::printf("marked\n");
        std::fflush(stdout);
        Sleep(std::stoul(arg(2)));
        CloseServiceHandle(service);
        CloseServiceHandle(manager);
        return 0;
    }
    if (cmd == "count") {  // count CAPTION
        std::printf("%u\n", static_cast<unsigned>(TopLevelWindows(arg(1)).size()));
        return 0;
    }
    // A window that is about to appear is waited for a little.
    HWND top = nullptr;
    WaitFor(5000, [&] { return (top = FindTop(arg(1))) != nullptr; });
    if (!top) return Fail("no window " + arg(1));
    if (cmd == "close") return PostMessageA(top, WM_CLOSE, 0, 0) ? 0 : 1;
    if (cmd == "resume")  // what the system broadcasts on waking from sleep
        return PostMessageA(top, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0) ? 0 : 1;
    if (cmd == "endsession") {
        // What the system sends a window when the session ends.
        DWORD_PTR r = 0;
        SendMessageTimeoutA(top, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 2000, &r);
        std::printf("query=%u\n", static_cast<unsigned>(r));
        SendMessageTimeoutA(top, WM_ENDSESSION, TRUE, 0, SMTO_ABORTIFHUNG, 2000, &r);
        return 0;
    }
    if (cmd == "state") {
        RECT r, c;
        GetWindowRect(top, &r);
        GetClientRect(top, &c);
        const LONG ex = GetWindowLongA(top, GWL_EXSTYLE), style = GetWindowLongA(top, GWL_STYLE);
        std::printf(
            "visible=%d iconic=%d topmost=%d enabled=%d sysmenu=%d minbox=%d maxbox=%d "
            "left=%ld top=%ld width=%ld height=%ld client=%ldx%ld\n",
            IsWindowVisible(top) ? 1 : 0, IsIconic(top) ? 1 : 0, (ex & WS_EX_TOPMOST) ? 1 : 0,
            IsWindowEnabled(top) ? 1 : 0, (style & WS_SYSMENU) ? 1 : 0,
            (style & WS_MINIMIZEBOX) ? 1 : 0, (style & WS_MAXIMIZEBOX) ? 1 : 0, r.left, r.top,
            r.right - r.left, r.bottom - r.top, c.right, c.bottom);
        return 0;
    }
    if (cmd == "boxtext") {  // a message box's text
        char text[1024] = {};
        GetDlgItemTextA(top, 0xFFFF, text, sizeof text);
        std::printf("%s\n", text);
        return 0;
    }
    if (cmd == "boxicon") {  // whether a message box shows an icon
        for (HWND c = GetWindow(top, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            if (_stricmp(ClassOf(c).c_str(), "Static") == 0 &&
                (GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && IsWindowVisible(c) &&
                SendMessageA(c, STM_GETICON, 0, 0) != 0) {
                std::printf("icon\n");
                return 0;
            }
        std::printf("none\n");
        return 0;
    }
    if (cmd == "focus") {  // the inventory name of the control that has the keyboard focus
        GUITHREADINFO gti{};
        gti.cbSize = sizeof gti;
        GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &gti);
        ui::Wnd w;
        if (gti.hwndFocus && WindowOfClass(ClassOf(top), w))
            for (const auto& c : ui::Controls())
                if (c.window == w && GetDlgItem(top, tray_win32::ControlId(c.id)) == gti.hwndFocus)
                    return std::printf("%s\n", std::string(c.name).c_str()), 0;
        std::printf("(none)\n");
        return 0;
    }
    if (cmd == "default") {  // the buttons drawn as the default one (what Enter presses)
        ui::Wnd w;
        std::string names;
        if (WindowOfClass(ClassOf(top), w))
            for (const auto& c : ui::Controls()) {
                HWND h = c.window == w ? GetDlgItem(top, tray_win32::ControlId(c.id)) : nullptr;
                if (h && (GetWindowLongA(h, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
                    names += (names.empty() ? "" : " ") + std::string(c.name);
            }
        std::printf("%s\n", names.empty() ? "(none)" : names.c_str());
        return 0;
    }
    if (cmd == "priority") {  // the owning process's class and its UI thread's priority
        DWORD pid = 0;
        const DWORD tid = GetWindowThreadProcessId(top, &pid);
        HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
        HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, tid);
        std::printf("class=0x%lx thread=%d\n", process ? GetPriorityClass(process) : 0UL,
                    thread ? GetThreadPriority(thread) : -99);
        if (process) CloseHandle(process);
        if (thread) CloseHandle(thread);
        return 0;
    }
    HWND control = FindControl(top, arg(2));
    if (!control) return Fail("no control " + arg(2) + " on " + arg(1));
    if (cmd == "text") {  // text CAPTION CONTROL
        std::printf("%s\n", TextOf(control).c_str());
        return 0;
    }
    if (cmd == "enabled") {
        std::printf("%d\n", IsWindowEnabled(control) ? 1 : 0);
        return 0;
    }
    if (cmd == "rect") {  // screen rectangle of a control
        RECT r;
        GetWindowRect(control, &r);
        std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
        return 0;
    }
    if (cmd == "click")  // posted, so a handler that opens a modal window does not block us
        return PostMessageA(control, BM_CLICK, 0, 0) ? 0 : 1;
    if (cmd == "click-on-text") {  // click-on-text CAPTION BUTTON WATCHED TEXT [ms]
        // Waits and clicks in one process, so the click lands within the same tick.
        HWND watched = FindControl(top, arg(3));
        if (!watched) return Fail("no control " + arg(3));
        if (!WaitFor(timeout(5), [&] { return TextOf(watched) == arg(4); }))
            return Fail("never saw " + arg(4) + ", last " + TextOf(watched));
        PostMessageA(control, BM_CLICK, 0, 0);
        std::printf("clicked at %s\n", TextOf(watched).c_str());
        return 0;
    }
    if (cmd == "wait-text") {  // wait-text CAPTION CONTROL TEXT [ms]
        const bool ok = WaitFor(timeout(4), [&] { return TextOf(control) == arg(3); });
        std::printf("%s\n", TextOf(control).c_str());
        return ok ? 0 : 1;
    }
    if (cmd == "watch") {  // watch CAPTION CONTROL UNTIL [ms]: every text seen, in order
        std::string last = "\x01";
        const bool ok = WaitFor(timeout(4), [&] {
            if (!IsWindow(control)) return false;
            const std::string now = TextOf(control);
            if (now != last) std::printf("%s\n", now.c_str()), std::fflush(stdout), last = now;
            return now == arg(3);
        });
        return ok ? 0 : 1;
    }
    std::printf("usage: unknown command %s\n", cmd.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("usage: dormix-driver COMMAND CAPTION [CONTROL] [TEXT] [MS]\n");
        return 2;
    }
    std::vector<std::string> args(argv + 1, argv + argc);
    return Run(args);
}
