// The hand-off of copies to the system's log (journal, Event Log).
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <vector>

#include "log/SendQueue.h"

namespace dormix::testing {
namespace {

// A log service that stops reading: no caller waits on the stuck copy
// beyond its bound (a caller that did would never get here, as the copy is
// let go only afterwards), copies beyond the backlog are dropped, and the
// queued ones go out in order once the service reads again.
TEST(SendQueue, AStuckServiceHoldsNoCallerAndDropsCopiesBeyondTheBacklog) {
    std::mutex m;
    std::condition_variable changed;
    bool started = false, release = false;
    std::vector<int> sent;
    const auto record = [&](int i) {
        std::lock_guard lock(m);
        sent.push_back(i);
        changed.notify_all();
    };
    log::SendQueue queue(std::chrono::milliseconds(1));
    queue.Hand([&] {
        std::unique_lock lock(m);
        started = true;
        changed.notify_all();
        changed.wait(lock, [&] { return release; });
        sent.push_back(0);
    });
    {
        std::unique_lock lock(m);
        changed.wait(lock, [&] { return started; });
    }
    const int handed = int(log::SendQueue::Backlog) + 8;
    for (int i = 1; i <= handed; ++i) queue.Hand([&record, i] { record(i); });
    {
        std::unique_lock lock(m);
        release = true;
        changed.notify_all();
        changed.wait(lock, [&] { return sent.size() == log::SendQueue::Backlog + 1; });
    }
    std::vector<int> expected;
    for (int i = 0; i <= int(log::SendQueue::Backlog); ++i) expected.push_back(i);
    std::lock_guard lock(m);
    EXPECT_EQ(sent, expected);
}

}  // namespace
}  // namespace dormix::testing
