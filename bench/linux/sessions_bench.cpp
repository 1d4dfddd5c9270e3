// What the question about other sessions costs the cycle's tick at the idle
// limit and before the power-off, against the logind at
// DBUS_SYSTEM_BUS_ADDRESS: bench/sessions-cost.sh starts one with N other
// sessions, none in use, so each question asks about every one of them.
#include <benchmark/benchmark.h>

#include <chrono>

#include "platform/linux/monitor/LogindSessions.h"

namespace {

using dormix::linux_monitor::LogindSessions;

// The question while it holds the countdown back: once a tick, on the
// connection kept from the last one.
void BM_Question(benchmark::State& state) {
    LogindSessions sessions(std::chrono::minutes(15));
    sessions.OtherSessionInUse();
    for (auto _ : state) benchmark::DoNotOptimize(sessions.OtherSessionInUse());
    state.SetLabel(sessions.Reason());
}
BENCHMARK(BM_Question)->Unit(benchmark::kMillisecond);

// The first question of a stretch: connecting to the bus included.
void BM_FirstQuestion(benchmark::State& state) {
    for (auto _ : state) {
        LogindSessions sessions(std::chrono::minutes(15));
        benchmark::DoNotOptimize(sessions.OtherSessionInUse());
    }
}
BENCHMARK(BM_FirstQuestion)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
