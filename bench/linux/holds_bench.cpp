// What the question about holds costs the cycle's tick: at the idle limit,
// each tick while a hold postpones the countdown, and before the power-off.
// Against the logind at DBUS_SYSTEM_BUS_ADDRESS: bench/holds-cost.sh starts
// one with N inhibitors, every one a hold, so each question names them all.
#include <benchmark/benchmark.h>

#include "platform/linux/monitor/LogindHolds.h"

namespace {

using dormix::linux_monitor::LogindHolds;

// Once a tick while held, on the connection kept from the last question.
void BM_Question(benchmark::State& state) {
    LogindHolds holds;
    auto answer = holds.Ask();
    for (auto _ : state) benchmark::DoNotOptimize(answer = holds.Ask());
    state.SetLabel(answer.failure.empty() ? std::to_string(answer.holders.size()) + " holders"
                                          : answer.failure);
}
BENCHMARK(BM_Question)->Unit(benchmark::kMicrosecond);

// The first question of a stretch: connecting to the bus included.
void BM_FirstQuestion(benchmark::State& state) {
    for (auto _ : state) {
        LogindHolds holds;
        benchmark::DoNotOptimize(holds.Ask());
    }
}
BENCHMARK(BM_FirstQuestion)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
