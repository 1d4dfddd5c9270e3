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
            if (one.failure.empty()) continue;
            all.failure.append(all.failure.empty() ? "" : "; ").append(one.failure);
        }
        return all;
    }

  private:
    std::vector<Holds*> places_;
};

}  // namespace dormix::monitor
