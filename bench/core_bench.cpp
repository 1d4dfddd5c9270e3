// What one second of the program costs: a monitoring tick with its 256-key
// sample, and one entry appended to a real log file.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "Fakes.h"
#include "PlatformLogFiles.h"

namespace {

using dormix::testing::Rig;

// Keys 16 and 65 held, the cursor still: the list is rebuilt and compared
// on every tick, the idle count climbs. Reset before the countdown could start.
void BM_MonitoringTick(benchmark::State& state) {
    Rig rig;
    rig.input.cursor = {400, 300};
    rig.input.down.set(16);
    rig.input.down.set(65);
    rig.Start();
    rig.Tick(2);
    int ticks = 0;
    for (auto _ : state) {
        rig.app.OnRefreshTick();
        if (++ticks == 850) {
            state.PauseTiming();
            rig.app.OnResetClick();
            rig.Tick(2);
            ticks = 0;
            state.ResumeTiming();
        }
    }
    benchmark::DoNotOptimize(rig.view.Text(dormix::ui::Ctl::Counter));
}
BENCHMARK(BM_MonitoringTick);

void BM_WriteLogEntryToARealFile(benchmark::State& state) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "dormix-bench-log";
    fs::remove_all(dir);
    fs::create_directories(dir / "Log");
    const fs::path previous = fs::current_path();
    fs::current_path(dir);
    {
        dormix::testing::PlatformLogFiles files;
        dormix::testing::FakeShell shell;
        dormix::testing::FakeClock clock;
        dormix::log::EventLog log(files, clock, shell.end);
        log.OpenEventLog();
        for (auto _ : state) log.WriteLogEntry("Enter", "Run", false, 0);
    }
    fs::current_path(previous);
    fs::remove_all(dir);
}
BENCHMARK(BM_WriteLogEntryToARealFile);

}  // namespace

BENCHMARK_MAIN();
