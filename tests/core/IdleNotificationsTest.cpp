#include <gtest/gtest.h>

#include <string>

#include "monitor/IdleNotifications.h"

namespace dormix::testing {
namespace {

using monitor::IdleNotifications;
using Main = IdleNotifications::MainNotification;

struct RecordingProbe : IdleNotifications::Probe {
    std::string calls;
    void CreateProbe(std::uint32_t timeoutMs) override {
        calls += "create " + std::to_string(timeoutMs) + ";";
    }
    void DestroyProbe() override { calls += "destroy;"; }
};

struct Notifications : ::testing::Test {
    RecordingProbe probe;
    IdleNotifications rule{probe, Main::ObeysInhibitors};
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

// Where the main notification obeys inhibitors an inhibitor cannot be told
// from input and counts as use; where it ignores them (input-only), input is
// input alone and the inhibitor is a hold.
TEST_F(Notifications, AProbeThatNeverGoesIdleMeansAnInhibitorUseOrAHold) {
    for (const Main main : {Main::ObeysInhibitors, Main::IgnoresInhibitors}) {
        const bool use = main == Main::ObeysInhibitors;
        SCOPED_TRACE(use ? "obeys inhibitors" : "ignores inhibitors");
        rule = IdleNotifications(probe, main);
        probe.calls.clear();
        rule.OnIdled();
        EXPECT_FALSE(Sample());  // probe made: its deadline is 2 s on
        EXPECT_FALSE(Sample());
        EXPECT_EQ(Sample(), use);
        EXPECT_TRUE(rule.Inhibited());
        EXPECT_EQ(rule.Held(), !use);
        for (int i = 0; i < 100; ++i) EXPECT_EQ(Sample(), use);
        EXPECT_EQ(rule.Held(), !use);
        rule.OnProbeIdled();  // the inhibitor let go
        EXPECT_FALSE(Sample());
        EXPECT_FALSE(rule.Inhibited());
        EXPECT_FALSE(rule.Held());

        // Input seen through the main notification drops a probe at once.
        for (int i = 0; i < 5; ++i) Sample();
        probe.calls.clear();
        rule.OnResumed();
        EXPECT_TRUE(Sample());
        EXPECT_EQ(probe.calls, "destroy;");
        rule.OnIdled();
        EXPECT_FALSE(Sample());
        EXPECT_EQ(probe.calls, "destroy;create 1500;");  // the next idle spell, a fresh one
        Sample();
        Sample();
        EXPECT_EQ(rule.Held(), !use);
        rule.OnResumed();  // input while held: use, and the hold is gone with the probe
        EXPECT_TRUE(Sample());
        EXPECT_FALSE(rule.Held());
    }
}

}  // namespace
}  // namespace dormix::testing
