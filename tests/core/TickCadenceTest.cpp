#include <gtest/gtest.h>

#include "ui/TickCadence.h"

namespace dormix::ui {
namespace {

TEST(TickCadence, LateTimerMessagesDoNotAddUpOverAMinute) {
    TickCadence cadence(1000);
    std::int64_t now = 5000;
    std::int64_t delay = cadence.Start(now);
    // Every timer message arrives 15.6 ms after it was asked for, as a
    // Windows timer rounded to the system tick does.
    for (int tick = 0; tick < 60; ++tick) {
        now += delay + 15;
        delay = cadence.Next(now);
        EXPECT_EQ(delay, 1000 - 15);
    }
    EXPECT_EQ(now, 5000 + 60 * 1000 + 15);
}

TEST(TickCadence, AfterASleepTheBeatRestartsWithoutCatchingUp) {
    TickCadence cadence(1000);
    std::int64_t now = 0;
    cadence.Start(now);
    now = 1000;
    EXPECT_EQ(cadence.Next(now), 1000);
    now = 2000 + 3600 * 1000;  // an hour asleep
    EXPECT_EQ(cadence.Next(now), 1000);
    now += 1000;
    EXPECT_EQ(cadence.Next(now), 1000);
    // A message just under a period late still keeps the old beat.
    now += 1999;
    EXPECT_EQ(cadence.Next(now), 1);
}

}  // namespace
}  // namespace dormix::ui
