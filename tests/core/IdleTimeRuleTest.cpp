#include <gtest/gtest.h>

#include <algorithm>

#include "monitor/wayland/IdleTimeRule.h"

namespace dormix::testing {
namespace {

using monitor::wayland::IdleTimeRule;
using Ms = IdleTimeRule::Ms;

// One sample a second: each sample judges the answer to the question sent at
// the sample before it, then sends the next question.
struct IdleTime : ::testing::Test {
    IdleTimeRule rule;
    std::int64_t lastInput = -1'000'000;

    // The desktop answers `latency` ms after the question at `sent`, with
    // the time since the last input at that moment.
    void Ask(std::int64_t sent, std::int64_t latency = 2) {
        rule.Asked(Ms(sent));
        const std::int64_t answered = sent + latency;
        rule.Answered(Ms(answered), std::uint64_t(answered - std::min(lastInput, answered)));
    }
    bool SampleThenAsk(std::int64_t at, std::int64_t latency = 2) {
        const bool active = rule.Active();
        Ask(at, latency);
        return active;
    }
};

TEST_F(IdleTime, InputBetweenTwoQuestionsShowsOnceOrTwiceThenQuiet) {
    Ask(0);
    EXPECT_FALSE(SampleThenAsk(1000));  // nobody since long before the start
    lastInput = 1500;
    EXPECT_FALSE(SampleThenAsk(2000));  // judges the answer from 1000
    EXPECT_TRUE(SampleThenAsk(3000));   // the answer from 2000 shows it
    lastInput = 3950;                   // within the margin before a question: two answers show it
    EXPECT_FALSE(SampleThenAsk(4000));
    EXPECT_TRUE(SampleThenAsk(5000));
    EXPECT_TRUE(SampleThenAsk(6000));
    EXPECT_FALSE(SampleThenAsk(7000));
}

TEST_F(IdleTime, ASlowAnswerStillShowsInputRightAfterTheQuickOneBefore) {
    Ask(0);
    SampleThenAsk(1000, 1);
    lastInput = 1100;                        // after the desktop read its clock for 1000
    EXPECT_FALSE(SampleThenAsk(2000, 400));  // answered at 2400: idle 1300 ms
    EXPECT_TRUE(SampleThenAsk(3000));
}

TEST_F(IdleTime, NoAnswerOrAFailedOneCountsAsInput) {
    Ask(0);
    EXPECT_FALSE(SampleThenAsk(1000));
    EXPECT_FALSE(rule.Waiting());
    rule.Active();
    rule.Asked(Ms(2000));  // out, no answer by the next sample
    EXPECT_TRUE(rule.Active());
    EXPECT_TRUE(rule.Waiting());  // still out: not asked again
    rule.Answered(Ms(3500), 100'000);
    EXPECT_FALSE(rule.Active());  // the late answer is used at the sample after
    rule.Asked(Ms(4000));
    rule.Failed();
    EXPECT_TRUE(rule.Active());
    lastInput = 4500;  // the next answer covers the span since the failed question
    Ask(5000);
    EXPECT_TRUE(rule.Active());
    EXPECT_TRUE(rule.Active());  // nothing asked since
}

}  // namespace
}  // namespace dormix::testing
