// What the desktops' holds question costs the cycle's tick while it waits
// past the limit, against the session bus at DBUS_SESSION_BUS_ADDRESS:
// bench/desktop-holds-cost.sh puts GNOME's session manager there, with or
// without one idle inhibitor, and no KDE or XFCE power manager.
#include <benchmark/benchmark.h>

#include "platform/linux/monitor/DesktopHolds.h"

namespace {

using namespace dormix::linux_monitor;

// Once a tick, on the connection kept from the last question.
template <typename Place>
void BM_Question(benchmark::State& state) {
    Place place;
    auto answer = place.Ask();
    for (auto _ : state) benchmark::DoNotOptimize(answer = place.Ask());
    state.SetLabel(!answer.holders.empty()  ? answer.holders.front()
                   : answer.failure.empty() ? "nothing held"
                                            : answer.failure);
}
BENCHMARK(BM_Question<dormix::linux_monitor::GnomeSessionHolds>)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Question<dormix::linux_monitor::PowerManagementHolds>)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
