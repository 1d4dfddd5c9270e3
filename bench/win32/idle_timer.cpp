// idle_timer_win32.exe: the least a Windows program that waits can do: one
// hidden window, a 1-second timer, a message loop. What it costs under Wine
// is Wine's own floor, against which the idle-cost bench shows DormixL.exe.
#include <windows.h>

namespace {

LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_TIMER) return 0;
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(w, msg, wp, lp);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.lpszClassName = "IdleTimer";
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(0, "IdleTimer", "Idle timer", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                             nullptr, nullptr, instance, nullptr);
    SetTimer(w, 1, 1000, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
}
