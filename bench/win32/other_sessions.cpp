// What the question "is another session in use?" costs the program's thread:
// N calls of the program's own WtsSessions, each timed with the performance
// counter. It is asked only at the idle limit, while the count waits past
// it, and before the power-off, never on the other ticks. Run on Windows
// with several users logged on for the figure that matters; under Wine the
// session list is a stub and the figure is Wine's floor.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/win32/WinApi.h"
#include "platform/win32/monitor/WtsSessions.h"

int main(int argc, char** argv) {
    const int calls = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    LARGE_INTEGER frequency, before, after;
    QueryPerformanceFrequency(&frequency);
    dormix::win32_monitor::WtsSessions sessions;
    std::vector<double> us;
    int inUse = 0;
    for (int i = 0; i < calls; ++i) {
        QueryPerformanceCounter(&before);
        inUse += sessions.OtherSessionInUse();
        QueryPerformanceCounter(&after);
        us.push_back(1e6 * double(after.QuadPart - before.QuadPart) / double(frequency.QuadPart));
    }
    std::sort(us.begin(), us.end());
    std::printf("%d calls, %d answered in use: median %.1f us, 99th %.1f us, max %.1f us\n", calls,
                inUse, us[us.size() / 2], us[us.size() * 99 / 100], us.back());
    return 0;
}
