// How far 60 one-second ticks of the program's timer drift from 60 seconds
// of the performance counter, beside a plain repeating SetTimer. Run under
// Wine, or on Windows where the timer resolution (15.6 ms) shows.
#include <cstdio>
#include <cstdlib>

#include "platform/win32/BeatTimer.h"

namespace {

constexpr UINT_PTR kBeatId = 1;
constexpr UINT_PTR kPlainId = 2;
int ticks = 60;
int beatCount = 0, plainCount = 0;
LONGLONG start = 0, beatDone = -1, plainDone = -1;
dormix::win32::BeatTimer beat(kBeatId, 1000);

LONGLONG Now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_TIMER) return DefWindowProcA(hwnd, msg, wp, lp);
    if (wp == kBeatId && beat.Beat() && ++beatCount == ticks) {
        beatDone = Now() - start;
        beat.Stop();
    }
    if (wp == kPlainId && ++plainCount == ticks) {
        plainDone = Now() - start;
        KillTimer(hwnd, kPlainId);
    }
    if (beatDone >= 0 && plainDone >= 0) PostQuitMessage(0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) ticks = std::atoi(argv[1]);
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "DormixDriftBench";
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              wc.hInstance, nullptr);
    start = Now();
    beat.Start(hwnd);
    SetTimer(hwnd, kPlainId, 1000, nullptr);
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);

    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    auto report = [&](const char* name, LONGLONG counts) {
        const double s = double(counts) / double(f.QuadPart);
        std::printf("win32 %-22s %d ticks in %9.4f s  drift %+7.3f %%\n", name, ticks, s,
                    (s - ticks) / ticks * 100.0);
    };
    report("beat timer (program)", beatDone);
    report("plain SetTimer", plainDone);
    return 0;
}
