#pragma once
// Turns a desktop's idle watches into "the user did something since the
// previous sample", with nothing asked while nothing changes.
//
// The idle watch fires each time nobody has touched a key or the pointer
// for its interval; the user-active watch fires once, at the first input
// after it is set, and is set only while idle. Set after the idle watch
// fired, it misses input that came in between: an idle time shorter than
// the interval, asked once the watch is set, shows that input, and so does
// the idle watch firing again with no "active" between (it fires only after
// input restarted its count).
//
// While an idle inhibitor is held (a film playing), GNOME's idle watch does
// not fire at all, though its idle time still counts input only; the
// user-active watch fires as ever. So after a few samples of use with no
// idle watch, the idle time is asked once a sample, and an answer of the
// watch's interval or more stands for the idle watch firing. The same
// questions go out while someone keeps using the machine; none while nobody
// is there, inhibitor or not.
//
// A watch that cannot be set, an answer that is an error or of the wrong
// shape, and a monitor that went away all count as use until the idle watch
// is set again; each sample tries again. Calls and answers go through the
// Monitor port; nothing here waits or reads a clock.

#include <array>
#include <cstdint>

namespace dormix::monitor {

class IdleWatches {
  public:
    // The desktop's idle monitor. Each call returns at once; its answer
    // comes later through IdleWatchSet, ActiveWatchSet, IdleTimeIs or Failed.
    class Monitor {
      public:
        virtual ~Monitor() = default;
        virtual void AddIdleWatch(std::uint64_t intervalMs) = 0;
        virtual void AddUserActiveWatch() = 0;
        virtual void GetIdletime() = 0;
        // No answer is awaited.
        virtual void RemoveWatch(std::uint32_t id) = 0;
    };

    static constexpr std::uint64_t kIdleMs = 1500;
    // Samples of use in a row before the idle time is asked: the idle watch
    // fires 1.5 s after the last input when nothing holds it back.
    static constexpr int kAskAfterSamples = 3;

    explicit IdleWatches(Monitor& monitor) : monitor_(monitor) {}

    // Sets the idle watch; until it is set every sample counts as use.
    void Start();
    void IdleWatchSet(std::uint32_t id);
    void ActiveWatchSet(std::uint32_t id);
    void IdleTimeIs(std::uint64_t ms);
    // An error, an answer of another shape, or none in time.
    void Failed();
    // The monitor went away: its watches went with it.
    void MonitorLost();
    void Fired(std::uint32_t id);

    // Once a sample.
    bool ActiveSinceLastSample();
    // Whether the source cannot tell now: a failure since the watch was last set.
    bool Failing() const { return failed_; }
    // Changes at each start and failure: answers to calls made before are stale.
    std::uint32_t Generation() const { return generation_; }

  private:
    bool Setting() const { return settingIdle_ || settingActive_ || checking_; }
    void WentIdle();
    void AskIdleTime();

    Monitor& monitor_;
    std::uint32_t generation_ = 0;
    std::uint32_t idleId_ = 0, activeId_ = 0;
    bool settingIdle_ = false, settingActive_ = false, checking_ = false;
    // Whether the idle time on its way was asked while idle (to find input
    // just before the active watch was set) or while in use (to find idleness).
    bool checkingIdle_ = false, checkAgain_ = false;
    bool idle_ = false, idleFired_ = false, resumed_ = false, failed_ = false;
    int usedSamples_ = 0;
    // Watches that fired while a call that names one was unanswered.
    std::array<std::uint32_t, 4> early_{};
    std::size_t earlyCount_ = 0;
};

}  // namespace dormix::monitor
