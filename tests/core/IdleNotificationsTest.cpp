#include <gtest/gtest.h>

#include <string>

#include "monitor/IdleNotifications.h"

namespace dormix::testing {
namespace {

using monitor::IdleNotifications;

struct RecordingProbe : IdleNotifications::Probe {
    std::string calls;
    void CreateProbe(std::uint32_t timeoutMs) override {
        calls += "create " + std::to_string(timeoutMs) + ";";
    }
    void DestroyProbe() override { calls += "destroy;"; }
};

struct Notifications : ::testing::Test {
    RecordingProbe probe;
    IdleNotifications rule{&probe};
    std::int64_t now = 0;

    // One sample a second.
    bool Sample() {
        now += 1000;
        return rule.ActiveSince(now);
    }
};

TEST_F(Notifications, ActiveUntilIdleAndOnceForAResumeBetweenSamples) {
    EXPECT_TRUE(Sample());  // not idle yet: someone may be typing
    rule.OnIdled();
    EXPECT_FALSE(Sample());
    EXPECT_FALSE(Sample());
    rule.OnResumed();  // a tap, and idle again before the next sample
    rule.OnIdled();
    EXPECT_TRUE(Sample());
    EXPECT_FALSE(Sample());
    rule.OnResumed();
    EXPECT_TRUE(Sample());
    EXPECT_TRUE(Sample());  // still in use
}

TEST_F(Notifications, AProbeThatGoesIdleIsDroppedAndMadeAgainLater) {
    rule.OnIdled();
    EXPECT_FALSE(Sample());
    EXPECT_EQ(probe.calls, "create 1500;");
    rule.OnProbeIdled();
    EXPECT_FALSE(Sample());
    EXPECT_EQ(probe.calls, "create 1500;destroy;");
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(Sample());
    EXPECT_EQ(probe.calls, "create 1500;destroy;");
    EXPECT_FALSE(Sample());  // five seconds on
    EXPECT_EQ(probe.calls, "create 1500;destroy;create 1500;");
}

TEST_F(Notifications, AProbeThatNeverGoesIdleMeansAnInhibitorAndUse) {
    rule.OnIdled();
    EXPECT_FALSE(Sample());  // probe made: its deadline is 2 s on
    EXPECT_FALSE(Sample());
    EXPECT_TRUE(Sample());
    EXPECT_TRUE(rule.Inhibited());
    for (int i = 0; i < 100; ++i) EXPECT_TRUE(Sample());
    rule.OnProbeIdled();  // the inhibitor let go
    EXPECT_FALSE(Sample());
    EXPECT_FALSE(rule.Inhibited());

    // Input seen through the main notification drops a probe at once.
    for (int i = 0; i < 5; ++i) Sample();
    probe.calls.clear();
    rule.OnResumed();
    EXPECT_TRUE(Sample());
    EXPECT_EQ(probe.calls, "destroy;");
    rule.OnIdled();
    EXPECT_FALSE(Sample());
    EXPECT_EQ(probe.calls, "destroy;create 1500;");  // the next idle spell, a fresh one
}

TEST(NotificationsIgnoringInhibitors, NeedNoProbe) {
    IdleNotifications rule{nullptr};
    rule.OnIdled();
    for (std::int64_t t = 1000; t < 60000; t += 1000) EXPECT_FALSE(rule.ActiveSince(t));
    rule.OnResumed();
    EXPECT_TRUE(rule.ActiveSince(61000));
}

}  // namespace
}  // namespace dormix::testing
