// What the question "does a program hold the machine?" costs the program's
// thread: N calls of the program's own DisplayRequests, each timed with the
// performance counter. It is asked at the idle limit, on every tick while
// the count waits past it for a hold, and before the power-off. Under Wine
// the execution state is a stub and the figure is Wine's system-call floor;
// on Windows the kernel answers from its own state.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/win32/WinApi.h"
#include "platform/win32/monitor/DisplayRequests.h"

int main(int argc, char** argv) {
    const int calls = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    LARGE_INTEGER frequency, before, after;
    QueryPerformanceFrequency(&frequency);
    dormix::win32_monitor::DisplayRequests requests;
    std::vector<double> us;
    int held = 0, failed = 0;
    for (int i = 0; i < calls; ++i) {
        QueryPerformanceCounter(&before);
        const dormix::monitor::HoldAnswer answer = requests.Ask();
        QueryPerformanceCounter(&after);
        held += !answer.holders.empty();
        failed += !answer.failure.empty();
        us.push_back(1e6 * double(after.QuadPart - before.QuadPart) / double(frequency.QuadPart));
    }
    std::sort(us.begin(), us.end());
    std::printf("%d calls, %d held, %d failed: median %.2f us, 99th %.2f us, max %.1f us\n", calls,
                held, failed, us[us.size() / 2], us[us.size() * 99 / 100], us.back());
    return 0;
}
