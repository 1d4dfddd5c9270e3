#pragma once
// Turns a desktop's "milliseconds since the last input", asked once a sample
// without waiting for the answer, into "was there input since the previous
// sample". The desktop reads its clock somewhere between our question going
// out and its answer coming in, so an answer covers the time from the
// previous question's sending to this answer's arrival: input in that span
// shows as an idle time shorter than it. Times are monotonic clock readings,
// passed in; nothing here reads a clock.

#include <chrono>
#include <cstdint>
#include <optional>

namespace dormix::monitor::wayland {

class IdleTimeRule {
public:
    using Ms = std::chrono::milliseconds;
    // Slack for the idle time's whole milliseconds and for the time between
    // the answer's arrival and our reading of the clock.
    static constexpr Ms Margin{100};

    void Asked(Ms sent) {
        sent_ = sent;
        state_ = State::Waiting;
    }
    void Answered(Ms received, std::uint64_t idleMs) {
        if (state_ != State::Waiting) return;
        received_ = received;
        idleMs_ = idleMs;
        state_ = State::Answered;
    }
    void Failed() {
        if (state_ == State::Waiting) state_ = State::Failed;
    }
    bool Waiting() const { return state_ == State::Waiting; }

    // At a sample: whether the newest answer shows input since the span the
    // previous one covered. No answer, a failed one or none asked for counts
    // as input: a moment's silence must never make a machine in use idle.
    bool Active() {
        if (state_ == State::Waiting || state_ == State::Used) return true;
        const bool failed = state_ == State::Failed;
        const Ms from = covered_.value_or(sent_);
        covered_ = sent_;
        state_ = State::Used;
        if (failed) return true;
        const Ms span = received_ - from + Margin;
        return span.count() <= 0 || idleMs_ < std::uint64_t(span.count());
    }

private:
    enum class State { Used, Waiting, Answered, Failed };
    State state_ = State::Used;
    Ms sent_{}, received_{};
    std::uint64_t idleMs_ = 0;
    // When the question behind the last answer used went out.
    std::optional<Ms> covered_;
};

}  // namespace dormix::monitor::wayland
