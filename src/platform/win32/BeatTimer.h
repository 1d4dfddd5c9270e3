#pragma once
// A window timer kept on a steady one-period beat: WM_TIMER only says "about
// now", so every tick re-arms SetTimer with the delay to the next deadline
// on the monotonic clock.

#include "platform/win32/WinApi.h"
#include "ui/TickCadence.h"

namespace dormix::win32 {

// The period a timer of the inventory runs at in this build (the fast test
// build divides it; the shipped program does not).
int TimerPeriodMs(int intervalMs);

class BeatTimer {
  public:
    BeatTimer(UINT_PTR id, int periodMs) : id_(id), cadence_(periodMs) {}

    void Start(HWND hwnd) {
        hwnd_ = hwnd;
        running_ = true;
        SetTimer(hwnd_, id_, static_cast<UINT>(cadence_.Start(Now())), nullptr);
    }
    void Stop() {
        if (running_ && hwnd_) KillTimer(hwnd_, id_);
        running_ = false;
    }
    // A WM_TIMER arrived: re-arm for the next beat. False when the timer was
    // stopped meanwhile (a message already on its way), so the tick is dropped.
    bool Beat() {
        if (!running_) return false;
        SetTimer(hwnd_, id_, static_cast<UINT>(cadence_.Next(Now())), nullptr);
        return true;
    }
    bool Running() const { return running_; }

  private:
    static std::int64_t Now() { return static_cast<std::int64_t>(GetTickCount64()); }

    UINT_PTR id_;
    ui::TickCadence cadence_;
    HWND hwnd_ = nullptr;
    bool running_ = false;
};

}  // namespace dormix::win32
