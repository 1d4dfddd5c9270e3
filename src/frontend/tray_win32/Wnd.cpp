#include "frontend/tray_win32/Wnd.h"

#include <exception>
#include <stdexcept>
#include <string>

#include "ui/Texts.h"

namespace dormix::tray_win32 {

void RegisterWindowClass(HINSTANCE instance, const WindowClass& wc) {
    WNDCLASSEXA cls{};
    cls.cbSize = sizeof cls;
    cls.lpfnWndProc = DefWindowProcA;
    cls.hInstance = instance;
    cls.hIcon = wc.icon;
    cls.hIconSm = wc.smallIcon;
    cls.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    cls.hbrBackground = wc.background;
    cls.lpszClassName = wc.name;
    RegisterClassExA(&cls);
}

void FatalReport(const char* what) {
    std::string text(text::ProgramErrorHeading);
    text += text::LineBreak;
    text += text::ProgramErrorDescription;
    text += what;
    const std::string title = text::Fill(text::ProgramErrorTitle, {text::ProductTitle});
    MessageBoxA(nullptr, text.c_str(), title.c_str(), MB_OK | MB_ICONHAND | MB_TASKMODAL);
    ExitProcess(1);
}

namespace {

constexpr UINT_PTR FocusFollowerId = 1;

bool IsPushButton(HWND h) {
    const LRESULT code = SendMessageA(h, WM_GETDLGCODE, 0, 0);
    return (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

// Disabling a window drops the focus inside it (an open About window
// disables the main one), so the last focus is read from the default frame.
HWND LastFocusedButton(HWND window) {
    for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if ((GetWindowLongA(c, GWL_STYLE) & (BS_TYPEMASK | WS_VISIBLE | WS_DISABLED)) ==
                (BS_DEFPUSHBUTTON | WS_VISIBLE) &&
            IsPushButton(c))
            return c;
    return nullptr;
}

// The enabled push button of `window` that has the keyboard focus, if any.
HWND FocusedButton(HWND window) {
    HWND focus = GetFocus();
    if (focus && IsChild(window, focus) && IsPushButton(focus) && IsWindowEnabled(focus))
        return focus;
    return nullptr;
}

// Gives the default-button frame to `focused` and takes it from every other
// push button of `window`: the frame marks what Enter presses.
void MarkDefaultButton(HWND window, HWND focused) {
    for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (!IsPushButton(c)) continue;
        const DWORD style = static_cast<DWORD>(GetWindowLongA(c, GWL_STYLE));
        const DWORD type = c == focused ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        if ((style & BS_TYPEMASK) == type) continue;
        SendMessageA(c, BM_SETSTYLE, (style & 0xFFFF & ~BS_TYPEMASK) | type, TRUE);
    }
}

LRESULT CALLBACK FocusFollower(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    const LRESULT r = DefSubclassProc(h, msg, wp, lp);
    if (msg == WM_SETFOCUS) MarkDefaultButton(GetParent(h), h);
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(h, &FocusFollower, FocusFollowerId);
    return r;
}

}  // namespace

void RestoreFocus(HWND window) {
    HWND focus = GetFocus();
    if (focus && IsChild(window, focus)) return;  // keep what the user chose
    HWND to = LastFocusedButton(window);
    if (!to) to = GetNextDlgTabItem(window, nullptr, FALSE);
    if (to) SetFocus(to);
}

void FollowFocus(HWND button) { SetWindowSubclass(button, &FocusFollower, FocusFollowerId, 0); }

Wnd::~Wnd() {
    if (hwnd_) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

// Centred on the screen: the main window has no owner, and the About
// window is shown without one.
void Wnd::Create(HINSTANCE instance, const char* className, const char* caption, DWORD style,
                 int clientWidth, int clientHeight) {
    RECT r{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&r, style, FALSE, 0);
    const int w = r.right - r.left, h = r.bottom - r.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    // The procedure is swapped in after creation so WM_CREATE already finds `this`.
    HWND hwnd = CreateWindowExA(0, className, caption, style, x, y, w, h, nullptr, nullptr,
                                instance, nullptr);
    if (!hwnd) throw std::runtime_error("CreateWindowEx failed");
    hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Wnd::Proc));
    OnCreate();
}

LRESULT CALLBACK Wnd::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<Wnd*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
    try {
        return self->Dispatch(hwnd, msg, wp, lp);
    } catch (const std::exception& e) {
        FatalReport(e.what());
    } catch (...) {
        FatalReport("unknown error");
    }
}

LRESULT Wnd::Dispatch(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    // A registered message has no fixed number: the system hands out the
    // same one to every process that asks for the name.
    static const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    if (msg == taskbarCreated && msg != 0) {
        OnTaskbarCreated();
        return 0;
    }
    switch (msg) {
        case WM_TIMER:
            OnTimer(wp);
            return 0;
        case DM_GETDEFID:
            // IsDialogMessage asks this when Enter is pressed and clicks the
            // answer: the focused button, never one that had the focus before.
            if (HWND b = FocusedButton(hwnd)) return MAKELRESULT(GetDlgCtrlID(b), DC_HASDEFID);
            return 0;
        case WM_COMMAND:
            // Enter with no default button comes as IDOK, Escape as IDCANCEL.
            // Neither names a command of these windows: Enter presses the
            // focused button if there is one, Escape does nothing.
            if (wp == IDOK) {
                if (HWND b = FocusedButton(hwnd)) OnCommand(GetDlgCtrlID(b), BN_CLICKED, b);
                return 0;
            }
            if (wp == IDCANCEL) return 0;
            OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
            return 0;
        case WM_CLOSE:
            if (OnClose()) return 0;
            break;
        case WM_DESTROY:
            OnDestroy();
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            hwnd_ = nullptr;
            return 0;
        case WM_SIZE:
            OnSize(static_cast<UINT>(wp));
            return 0;
        case WM_MOUSEMOVE:
            OnMouseMove(wp, lp);
            return 0;
        case WM_ACTIVATE: {
            // The default handling puts the focus on the window itself; the
            // handler runs after it so it can move the focus to a control.
            const LRESULT r = DefWindowProcA(hwnd, msg, wp, lp);
            OnActivate(LOWORD(wp) != WA_INACTIVE);
            return r;
        }
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            OnEndSession(wp != 0);
            return 0;
        case WM_POWERBROADCAST:
            // Every wake sends PBT_APMRESUMEAUTOMATIC; PBT_APMRESUMESUSPEND
            // follows only when a user woke the machine, so it is not heard.
            if (wp == PBT_APMRESUMEAUTOMATIC) OnResume();
            return TRUE;
        case WM_CTLCOLORSTATIC:
            if (HBRUSH b = OnCtlColorStatic(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp)))
                return reinterpret_cast<LRESULT>(b);
            break;
        case WM_DRAWITEM:
            if (OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp))) return TRUE;
            break;
        case WM_ERASEBKGND:
            if (OnEraseBackground(reinterpret_cast<HDC>(wp))) return TRUE;
            break;
        case WM_SETCURSOR:
            if (OnSetCursor(reinterpret_cast<HWND>(wp))) return TRUE;
            break;
        default:
            break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace dormix::tray_win32
