#include <gtest/gtest.h>

#include "Fakes.h"

namespace dormix::testing {
namespace {

struct Sampler : ::testing::Test {
    FakeInput input;
    monitor::InputSampler sampler{input};

    std::string Sample() {
        sampler.SampleActivity();
        return sampler.ActivityMark;
    }
};

TEST_F(Sampler, FirstSampleComparesTheCursorWithZero) {
    input.cursor = {0, 0};
    EXPECT_EQ(Sample(), "");
    EXPECT_TRUE(sampler.InputUnchanged);

    sampler.ResetInputSnapshot();
    input.cursor = {640, 480};
    EXPECT_EQ(Sample(), "M");
    EXPECT_FALSE(sampler.InputUnchanged);
    EXPECT_EQ(Sample(), "");
    EXPECT_TRUE(sampler.InputUnchanged);
}

TEST_F(Sampler, OnlyTheSumOfTheCoordinatesIsCompared) {
    input.cursor = {100, 100};
    Sample();
    input.cursor = {101, 99};  // one right, one up
    EXPECT_EQ(Sample(), "");
    input.cursor = {101, 100};
    EXPECT_EQ(Sample(), "M");
}

TEST_F(Sampler, AFailedCursorReadCountsAsNoMovement) {
    input.cursor = {5, 5};
    Sample();
    input.cursorWorks = false;
    input.cursor = {500, 5};
    EXPECT_EQ(Sample(), "");
    EXPECT_EQ(sampler.CursorPos.x, 5);
}

TEST_F(Sampler, KeyListSpellsTheActiveCodesAndHeldKeysCountOnce) {
    input.down.set(16);
    input.down.set(65);
    EXPECT_EQ(Sample(), "K");
    EXPECT_EQ(sampler.KeyList, "01665");
    EXPECT_EQ(Sample(), "");  // still held
    input.down.reset(16);
    EXPECT_EQ(Sample(), "K");  // a different set: 065
    input.down.set(66);
    EXPECT_EQ(Sample(), "K");
    EXPECT_EQ(sampler.KeyList, "06566");
    input.down.reset();
    EXPECT_EQ(Sample(), "");  // releasing everything is not activity
    EXPECT_EQ(sampler.LastKeyList, "0");
    input.down.set(65);
    input.down.set(66);
    EXPECT_EQ(Sample(), "K");  // the same keys again after a release
    input.down.reset();
    input.down.set(0);
    input.down.set(255);
    Sample();
    EXPECT_EQ(sampler.KeyList, "00255");
}

TEST_F(Sampler, SetsThatSpellTheSameDigitsAreNotToldApart) {
    input.down.set(165);
    EXPECT_EQ(Sample(), "K");
    input.down.reset();
    input.down.set(1);
    input.down.set(65);
    EXPECT_EQ(sampler.KeyList, "0165");
    EXPECT_EQ(Sample(), "");
    EXPECT_EQ(sampler.KeyList, "0165");
}

TEST_F(Sampler, AClickWithAStillCursorIsAKeyAndBothMakeKPlusM) {
    input.cursor = {10, 10};
    Sample();
    input.pressed.set(1);  // pressed and released between two samples
    EXPECT_EQ(Sample(), "K");
    input.pressed.set(2);
    input.cursor = {12, 10};
    EXPECT_EQ(Sample(), "K+M");
    EXPECT_EQ(Sample(), "");  // the press was reported once
}

TEST_F(Sampler, ResetForgetsThePreviousSample) {
    input.cursor = {7, 7};
    input.down.set(65);
    Sample();
    sampler.ResetInputSnapshot();
    EXPECT_EQ(sampler.LastCursorSum, 0);
    EXPECT_EQ(sampler.LastKeyList, "0");
    EXPECT_EQ(Sample(), "K+M");
}

TEST_F(Sampler, CoordinatesWhoseSumLeavesThe32BitRangeAreAProgramError) {
    input.cursor = {2147483647, 1};
    EXPECT_THROW(sampler.InputChanged(), ProgramError);
    input.cursor = {-2147483647, -1};
    EXPECT_NO_THROW(sampler.InputChanged());
    EXPECT_EQ(sampler.LastCursorSum, -2147483647 - 1);
}

// A source that only knows "something happened": alone (a compositor's idle
// notifications), and as a net beside the poll.
TEST(SamplerWithActivitySource, AloneItMarksUseAsKeysOrMouse) {
    FakeActivity activity;
    monitor::InputSampler sampler(nullptr, &activity);
    sampler.ResetInputSnapshot();
    sampler.SampleActivity();
    EXPECT_TRUE(sampler.InputUnchanged);
    EXPECT_EQ(sampler.ActivityMark, "");
    activity.active = true;
    sampler.SampleActivity();
    EXPECT_FALSE(sampler.InputUnchanged);
    EXPECT_EQ(sampler.ActivityMark, "K/M");
    EXPECT_EQ(sampler.KeyList, "0");
    sampler.SampleActivity();
    EXPECT_EQ(sampler.ActivityMark, "");
    EXPECT_EQ(activity.asked, 3);
}

TEST(SamplerWithActivitySource, BesideThePollItCountsOnlyWhatThePollMissed) {
    FakeInput input;
    FakeActivity net;
    monitor::InputSampler sampler(&input, &net);
    sampler.SampleActivity();
    net.active = true;  // the system saw a key the poll did not
    sampler.SampleActivity();
    EXPECT_FALSE(sampler.InputUnchanged);
    EXPECT_EQ(sampler.ActivityMark, "K/M");
    net.active = true;  // both saw it: the poll's own mark stands
    input.pressed.set(65);
    sampler.SampleActivity();
    EXPECT_EQ(sampler.ActivityMark, "K");
    EXPECT_FALSE(sampler.OtherActivity);
    sampler.SampleActivity();
    EXPECT_TRUE(sampler.InputUnchanged);
    EXPECT_EQ(net.asked, 4);  // asked every sample, even when the poll saw something
}

// The session's last-input tick as that net: any new value is use, whatever
// its size, so neither the 49.7-day wrap nor a failed read hides input; a
// held key's repeats do not make it count twice.
TEST(SamplerWithActivitySource, TheLastInputTickCountsWhatThePollMissedAndAFailureCountsToo) {
    FakeInput input;
    FakeLastInput lastInput;
    monitor::LastInputNet net(lastInput);
    monitor::InputSampler sampler(&input, &net);
    const auto mark = [&] {
        sampler.SampleActivity();
        return sampler.InputUnchanged ? "idle" : sampler.ActivityMark;
    };
    lastInput.tick = 0xFFFFFF00u;  // a session up for 49.7 days, used 256 ms before the wrap
    EXPECT_EQ(mark(), "idle");     // the first read only records
    EXPECT_EQ(mark(), "idle");     // the system clock wraps meanwhile: no input, no move
    lastInput.tick = 0x00000040u;  // typed just after the wrap: a smaller number
    EXPECT_EQ(mark(), "K/M");
    EXPECT_EQ(mark(), "idle");
    lastInput.tick += 1;
    EXPECT_EQ(mark(), "K/M");

    lastInput.works = false;
    EXPECT_EQ(mark(), "K/M");  // cannot tell: counted as use
    EXPECT_EQ(mark(), "K/M");
    lastInput.works = true;
    EXPECT_EQ(mark(), "idle");  // the tick from before the failure still stands
    lastInput.works = false;
    EXPECT_EQ(mark(), "K/M");
    lastInput.works = true;
    lastInput.tick += 500;  // typed while the session would not answer
    EXPECT_EQ(mark(), "K/M");

    lastInput.tick += 1;  // the poll saw it too: its own mark stands
    input.pressed.set(65);
    EXPECT_EQ(mark(), "K");

    // A held key repeats and its release is input too: the tick moves each
    // time, but the poll sees that key, so it still counts once.
    input.down.set(66);
    lastInput.tick += 30;
    EXPECT_EQ(mark(), "K");
    lastInput.tick += 30;
    EXPECT_EQ(mark(), "idle");
    input.down.reset();
    lastInput.tick += 30;
    EXPECT_EQ(mark(), "idle");
    lastInput.tick += 30;  // then a tap the poll missed
    EXPECT_EQ(mark(), "K/M");
}

// A source that cannot tell keeps every sample "in use": after a minute of
// that in a row, one warning on stderr and in the system log, and one line
// when it answers again. A single answer in between starts the minute anew.
TEST(SamplerWithActivitySource, ASourceFailingForAMinuteIsToldOnceAndSoIsItsReturn) {
    FakeActivity activity;
    RecordingSystemLog systemLog;
    monitor::InputSampler sampler(nullptr, &activity, systemLog);
    const auto samples = [&](int n, bool failing) {
        activity.failing = failing;
        for (int i = 0; i < n; ++i) sampler.SampleActivity();
    };
    ::testing::internal::CaptureStderr();
    samples(59, true);
    samples(1, false);
    samples(59, true);
    EXPECT_TRUE(systemLog.failures.empty());
    samples(1, true);
    EXPECT_EQ(sampler.ActivityMark, "K/M");
    samples(600, true);
    samples(2, false);
    const std::string failing =
        "The activity source fake idle monitor has failed for a minute: the computer counts as in "
        "use and will not power off until it answers again.";
    const std::string back =
        "The activity source fake idle monitor answers again: idle time "
        "counts again.";
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "DormixL: " + failing + "\nDormixL: " + back + "\n");
    const std::string title = "Dormix Lite Activity Source";
    EXPECT_EQ(systemLog.failures,
              (std::vector<MirroredFailure>{
                  {log::SystemEvent::SourceFailing, title, failing, 0, "fake idle monitor"},
                  {log::SystemEvent::SourceRecovered, title, back, 0, "fake idle monitor"}}));
    EXPECT_TRUE(log::IsWarning(log::SystemEvent::SourceFailing));
    EXPECT_FALSE(log::IsWarning(log::SystemEvent::SourceRecovered));
}

}  // namespace
}  // namespace dormix::testing
