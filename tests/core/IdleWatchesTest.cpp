#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "monitor/IdleWatches.h"

namespace dormix::testing {
namespace {

using monitor::IdleWatches;

// Records each call to the desktop's idle monitor; the test answers them.
struct FakeMonitor : IdleWatches::Monitor {
    void AddIdleWatch(std::uint64_t ms) override { calls.push_back("idle " + std::to_string(ms)); }
    void AddUserActiveWatch() override { calls.push_back("active"); }
    void GetIdletime() override { calls.push_back("idletime"); }
    void RemoveWatch(std::uint32_t id) override { calls.push_back("remove " + std::to_string(id)); }
    std::vector<std::string> Take() { return std::exchange(calls, {}); }
    std::vector<std::string> calls;
};

using Calls = std::vector<std::string>;

struct Watches : ::testing::Test {
    FakeMonitor monitor;
    IdleWatches watches{monitor};
    bool Sample() { return watches.ActiveSinceLastSample(); }
    // Started, both watches set, nobody there: the steady idle state.
    void Idle(std::uint32_t idleId = 1, std::uint32_t activeId = 2) {
        watches.Start();
        watches.IdleWatchSet(idleId);
        watches.Fired(idleId);
        watches.ActiveWatchSet(activeId);
        watches.IdleTimeIs(IdleWatches::kIdleMs);
        monitor.Take();
    }
};

TEST_F(Watches, NothingIsAskedWhileNothingChangesAndInputCountsOnce) {
    watches.Start();
    EXPECT_EQ(monitor.Take(), Calls{"idle 1500"});
    EXPECT_TRUE(Sample());  // no watch yet
    watches.IdleWatchSet(7);
    EXPECT_TRUE(Sample());  // not idle for 1.5 s yet
    watches.Fired(7);
    EXPECT_EQ(monitor.Take(), Calls{"active"});
    EXPECT_FALSE(Sample());  // the active watch on its way does not hold the count back
    watches.ActiveWatchSet(8);
    EXPECT_EQ(monitor.Take(), Calls{"idletime"});
    watches.IdleTimeIs(1501);
    for (int i = 0; i < 100; ++i) ASSERT_FALSE(Sample());
    watches.Fired(9);  // another client's watch
    EXPECT_FALSE(Sample());
    EXPECT_EQ(monitor.Take(), Calls{});

    watches.Fired(8);  // a tap
    EXPECT_TRUE(Sample());
    EXPECT_TRUE(Sample());  // not idle again until the idle watch says so
    watches.Fired(7);
    EXPECT_FALSE(Sample());
    EXPECT_EQ(monitor.Take(), Calls{"active"});  // set again only now
    EXPECT_FALSE(watches.Failing());
}

// While an idle inhibitor is held GNOME's idle watch never fires: after a
// few samples of use the idle time decides, and once it says nobody is
// there nothing more is asked. A question in use still on its way when the
// idle watch fires is followed by the active watch's own check.
TEST_F(Watches, AnIdleWatchHeldBackLeavesItToTheIdleTime) {
    Idle(1, 2);
    watches.Fired(2);
    EXPECT_TRUE(Sample());
    EXPECT_TRUE(Sample());
    EXPECT_EQ(monitor.Take(), Calls{});
    EXPECT_TRUE(Sample());
    EXPECT_EQ(monitor.Take(), Calls{"idletime"});
    EXPECT_TRUE(Sample());
    EXPECT_EQ(monitor.Take(), Calls{});  // one question at a time
    watches.IdleTimeIs(800);             // someone typing
    EXPECT_TRUE(Sample());
    EXPECT_EQ(monitor.Take(), Calls{"idletime"});
    watches.IdleTimeIs(2600);
    EXPECT_EQ(monitor.Take(), Calls{"active"});
    watches.ActiveWatchSet(3);
    watches.IdleTimeIs(2700);
    for (int i = 0; i < 100; ++i) ASSERT_FALSE(Sample());
    EXPECT_EQ(monitor.Take(), Calls{"idletime"});
    watches.Fired(1);  // the inhibitor let go: GNOME counts afresh, no input
    EXPECT_FALSE(Sample());
    watches.Fired(3);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(Sample());
    EXPECT_EQ(monitor.Take(), Calls{"idletime"});
    watches.Fired(1);
    watches.ActiveWatchSet(4);
    EXPECT_EQ(monitor.Take(), Calls{"active"});
    watches.IdleTimeIs(1400);  // asked in use, answered late
    EXPECT_EQ(monitor.Take(), Calls{"idletime"});
    watches.IdleTimeIs(1600);
    EXPECT_FALSE(Sample());
}

// Input between the idle watch firing and the active watch being set shows
// in the idle time asked then, or in the idle watch firing again; a watch
// may fire before the answer that names it arrives.
TEST_F(Watches, InputTheActiveWatchCouldNotSeeStillCounts) {
    const auto afterIdle = [&](auto&& between) {
        Idle();
        watches.Fired(2);
        Sample();
        watches.Fired(1);
        between();
        const bool first = Sample();
        return std::make_pair(first, Sample());
    };
    using Result = std::pair<bool, bool>;
    EXPECT_EQ(afterIdle([&] {
                  watches.ActiveWatchSet(3);
                  watches.IdleTimeIs(200);
              }),
              Result(true, false));
    EXPECT_EQ(afterIdle([&] {
                  watches.ActiveWatchSet(3);
                  watches.IdleTimeIs(1600);
                  watches.Fired(1);
              }),
              Result(true, false));
    EXPECT_EQ(afterIdle([&] {
                  watches.Fired(3);
                  watches.ActiveWatchSet(3);
                  watches.IdleTimeIs(1600);
              }),
              Result(true, true));
    EXPECT_EQ(afterIdle([&] {
                  watches.ActiveWatchSet(3);
                  watches.IdleTimeIs(1600);
              }),
              Result(false, false));
}

// Every failure, at every step, counts as use until the idle watch is set
// again; each sample tries again, one start at a time; answers of an
// earlier start are told apart by the generation.
TEST_F(Watches, AFailureCountsAsUseUntilTheWatchIsSetAgain) {
    const std::vector<std::function<void()>> failures = {
        [&] { watches.Failed(); },  // an error, a wrong answer, no answer in time
        [&] { watches.IdleWatchSet(0); },
        [&] {
            watches.Fired(1);
            watches.Failed();  // the active watch refused
        },
        [&] {
            watches.Fired(1);
            watches.ActiveWatchSet(2);
            watches.Failed();  // the idle time not given
        },
    };
    for (std::size_t i = 0; i < failures.size(); ++i) {
        SCOPED_TRACE(i);
        watches.Start();
        const auto generation = watches.Generation();
        if (i > 1) watches.IdleWatchSet(1);
        monitor.Take();
        failures[i]();
        monitor.Take();
        EXPECT_TRUE(Sample());
        EXPECT_TRUE(watches.Failing());
        EXPECT_NE(watches.Generation(), generation);
        const Calls again = i == 3   ? Calls{"remove 1", "remove 2", "idle 1500"}
                            : i == 2 ? Calls{"remove 1", "idle 1500"}
                                     : Calls{"idle 1500"};
        EXPECT_EQ(monitor.Take(), again);
        EXPECT_TRUE(Sample());
        EXPECT_EQ(monitor.Take(), Calls{});  // still being set: not asked twice
        watches.Fired(1);                    // a watch of the start before
        watches.Failed();
        EXPECT_TRUE(Sample());
        EXPECT_EQ(monitor.Take(), Calls{"idle 1500"});
        watches.IdleWatchSet(4);
        EXPECT_FALSE(watches.Failing());
        watches.Fired(4);
        EXPECT_FALSE(Sample());
    }

    // The monitor gone: its numbers mean nothing to the next one.
    Idle(5, 6);
    watches.MonitorLost();
    EXPECT_TRUE(Sample());
    EXPECT_EQ(monitor.Take(), Calls{"idle 1500"});
}

}  // namespace
}  // namespace dormix::testing
