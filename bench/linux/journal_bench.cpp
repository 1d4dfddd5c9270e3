// What one entry's copy to the journal costs the program's thread: the
// hand-over to the sender thread and the wait until sd_journal_sendv has
// returned. Run it with and without a journald to see both costs.
#include <benchmark/benchmark.h>

#include "platform/linux/log/JournalLog.h"

namespace {

void BM_JournalEntry(benchmark::State& state) {
    dormix::linux_log::JournalLog journal;
    const dormix::log::SystemLogEntry entry{
        dormix::log::SystemEvent::MonitoringBegan,
        "07-Dec-26 12:03:54,  Enter    , Run       , Count:   0",
        "Enter",
        "Run",
        0,
        false,
        "Monitoring",
        false};
    for (auto _ : state) journal.Entry(entry);
}
BENCHMARK(BM_JournalEntry);

}  // namespace

BENCHMARK_MAIN();
