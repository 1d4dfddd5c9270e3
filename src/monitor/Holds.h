#pragma once
// Programs' declared requests that the machine stay in use though nobody
// types: a film, a slideshow, a video call, an update. A hold never counts
// as input; it only postpones the countdown, and for no longer than the
// administrator's cap. Asked only when the idle count reaches its limit,
// each tick while the cycle waits for it, and right before the power-off
// request; each platform bounds the wait of one question itself.

#include <string>
#include <vector>

namespace dormix::monitor {

struct HoldAnswer {
    // One line for each hold in force now: who holds the machine and why,
    // as far as the system tells it ("\"Videos\": Playing a film (logind
    // idle inhibitor, PID 812, user ana)"). Empty: nothing holds it.
    std::vector<std::string> holders;
    // Why some place that keeps holds gave no usable answer; empty when
    // every one answered. Such a place counts as holding nothing: a blind
    // spot must never keep a machine on for ever.
    std::string failure;
    // Locks that guard the system itself, in the same form: an upgrade or a
    // disc burn that switching off would break. Held like the others up to
    // the cap, and past it too: the machine stays on until they are gone.
    std::vector<std::string> locks;

    static HoldAnswer HeldBy(std::string holder) {
        HoldAnswer answer;
        answer.holders.push_back(std::move(holder));
        return answer;
    }
    static HoldAnswer Failed(std::string why) {
        HoldAnswer answer;
        answer.failure = std::move(why);
        return answer;
    }
};

class Holds {
  public:
    virtual ~Holds() = default;
    virtual HoldAnswer Ask() = 0;
};

// Every place a platform keeps holds, asked in turn: the holders of all of
// them, and each one's failure.
class AllHolds final : public Holds {
  public:
    void Add(Holds& place) { places_.push_back(&place); }
    bool Empty() const { return places_.empty(); }
    HoldAnswer Ask() override {
        HoldAnswer all;
        for (Holds* place : places_) {
            HoldAnswer one = place->Ask();
            all.holders.insert(all.holders.end(), one.holders.begin(), one.holders.end());
            all.locks.insert(all.locks.end(), one.locks.begin(), one.locks.end());
            if (one.failure.empty()) continue;
            all.failure.append(all.failure.empty() ? "" : "; ").append(one.failure);
        }
        return all;
    }

  private:
    std::vector<Holds*> places_;
};

}  // namespace dormix::monitor
