#pragma once
// The one-second cycle: a 2-second activation, the counting of idle seconds,
// and the power-off countdown, plus the main window's buttons that steer it.
// Every tick is a call of Tick(); nothing here reads a clock.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "log/Clock.h"
#include "log/EventLog.h"
#include "log/ProgramEnd.h"
#include "log/ProgramError.h"
#include "monitor/CycleLimits.h"
#include "monitor/Holds.h"
#include "monitor/InputSampler.h"
#include "monitor/OtherSessions.h"
#include "power/ShutdownService.h"
#include "ui/Texts.h"
#include "ui/TrayPlacement.h"
#include "ui/View.h"
#include "ui/WindowPorts.h"

namespace dormix::monitor {

enum class Phase : std::int16_t { Activation = 0, Monitoring = 1, Countdown = 2 };

inline constexpr std::int16_t AboutCloseSeconds = 30;
inline constexpr std::int16_t AboutCloseSecondsInhibited = 4;

// The program-wide variables of the cycle.
struct CycleState {
    Phase MonitorPhase = Phase::Activation;
    std::int16_t PhaseCounter = ActivationTicks;
    std::int16_t IdleLimit = NormalIdleLimit;
    std::int16_t CountdownLength = NormalCountdownLength;
    std::string ActionWord{text::ActionPowerOff};
    bool TestMode = false;
    bool InhibitShutdown = false;
    bool AboutOpen = false;
    std::int16_t AboutCloseCounter = AboutCloseSeconds;
};

// The main window around the cycle: brought out for the countdown, sent
// back after it, and the About window the cycle closes on its own.
struct CycleWindow {
    ui::TrayPlacement& tray;
    ui::WindowState& state;
    ui::NotificationIcon& icon;
    ui::AboutHost& about;
};

struct CycleParts {
    ui::View& view;
    ui::RefreshTimer& timer;
    ui::MessageBoxes& boxes;
    log::ProgramEnd& end;
    InputSampler& sampler;
    log::EventLog& log;
    power::ShutdownService& power;
    // Null for the headless watch.
    CycleWindow* window = nullptr;
    // Null where there is nobody to ask: no other sessions to respect.
    OtherSessions* otherSessions = nullptr;
    CycleLimits limits = {};
    // Null where no program can declare a hold.
    Holds* holds = nullptr;
    // The local time, asked each tick when the limits have a schedule.
    log::Clock* clock = nullptr;
};

class MonitorCycle {
  public:
    explicit MonitorCycle(CycleParts parts);

    // tmrRefresh
    void Tick();
    void ResetCycle();
    void RefreshCaptions();

    // Buttons of the main window. Exit belongs to the application's unload.
    void OnResetClick();
    void OnTestClick();
    void OnAboutClick();
    // The About window tells the cycle how it goes: loaded, one second of
    // its closing line (the seconds it shows), closed by the user.
    void OnAboutLoad();
    std::int16_t OnAboutSecond();
    void OnAboutClosed();
    // The machine woke from suspend: a countdown starts again from its full
    // length, so whoever opens the machine has all of it to press Cancel.
    // Ticks count seconds the machine was awake, so a tick that simply comes
    // late is no resume and changes nothing.
    // After a hibernation or sleep the countdown asked for, the resume is
    // its end: a "Wake" entry, the window back in the tray, the cycle from
    // its activation.
    void OnResume();
    // The countdown's hibernation or sleep was taken by the system and the
    // machine has not been seen waking yet.
    bool AwaitingWake() const { return asleep_; }

    // An administrator's new limits, read again while running: in force at
    // once, except that a running countdown keeps its length. The rehearsal
    // and the Test button keep their own.
    void SetLimits(CycleLimits limits);
    const CycleLimits& Limits() const { return p_.limits; }

    void WriteLogEntry(std::string_view action, std::string_view detail);
    // The last entry of an orderly exit: "Exit" with the phase it left.
    void WriteExitEntry();

    CycleState& State() { return s_; }
    const CycleState& State() const { return s_; }

  private:
    // The normal run's idle limit at this moment: the schedule's window in
    // force, or the limit outside them.
    std::int16_t NormalLimitNow();
    // The countdown's length: the rehearsal's, or the one the limits set.
    std::int16_t CountdownLengthNow() const {
        return s_.InhibitShutdown ? InhibitLimit : p_.limits.CountdownLength;
    }
    // Before each step: the limit in force now, and the title that shows it.
    void FollowSchedule();
    void SetTitle();
    void ActivationStep();
    void MonitoringStep();
    void CountdownStep();
    // The normal and the rehearsal run respect other sessions; the Test
    // button's run never powers off and is not held.
    bool OtherSessionHoldsOff();
    // At the limit: a hold postpones the countdown, up to the cap counted
    // from the limit, and a lock past it too. The Test button's run is
    // never held.
    bool HoldPostpones();
    // Right before the request: a hold or a lock in force sends the cycle
    // back to the wait, with the idle count and the cap's count as they
    // were; past the cap only a lock does.
    bool HeldAtTheEnd();
    // At the countdown's start: the action it ends in, switched off instead
    // where the machine cannot hibernate or sleep now.
    void ChooseAction();
    // The chosen action cannot be had: the warning (not twice the same),
    // and the power-off takes its place.
    void SwitchOffInstead(const std::string& warning);
    // The "Close" entry and the request; the program ends once it is taken,
    // unless the machine only sleeps.
    void CloseAndEnd();
    // True when the program ends now.
    bool RequestEnd();
    // True when the program goes on: the machine sleeps, or a lock refused
    // and the wait goes on; false when it must be switched off instead.
    bool RequestSleep();
    // The request itself; false when a lock refused it and the wait goes on.
    bool RequestPowerOff();
    // A lock refused the request: the wait goes on as for any lock.
    void WaitForLock(const ProgramError& refusal);
    // Each second after a sleep the system took, until the machine is seen
    // to wake or is switched off for not going down.
    void AsleepStep();
    void Woke();
    // The local clock in seconds, to tell a sleep from ticks that ran on.
    std::int64_t ClockSeconds();
    void BackToTheWait();
    HoldAnswer AskHolds();
    bool HoldsAsked() const;
    void NameHolders(const HoldAnswer& answer);
    void TellHoldRanOut(const std::vector<std::string>& holders);
    // Past the cap with a lock left: "Wait, Locked" and the warning, once.
    void TellStillLocked(const std::vector<std::string>& locks);
    void ForgetHolds();
    // The labels and buttons as the idle count shows them.
    void PlainLabels();
    // After a countdown: Cancel back to "Reset", the window back in the tray
    // unless the user had opened it.
    void SendWindowBack();
    // A closing message ends the program after it: no other box opens over it.
    void ShowCycleMessage(const std::string& message, const std::string& title,
                          bool closing = false);
    // The counter's text: `format` with the number, after `word` where it has a slot for it.
    void SetCounterText(std::string_view format, int number, std::string_view word = {});

    CycleParts p_;
    CycleState s_;
    bool messageOpen_ = false;
    bool waitingForOthers_ = false;  // the "Wait" entry of this stretch is written
    // One stretch of waiting for holds, from the idle limit to input, a
    // Cancel or a new start: releases and re-takes do not end it.
    bool waitingForHold_ = false;       // a hold was seen at the limit
    bool holdExpired_ = false;          // the cap ran out: only a lock postpones now
    bool lockTold_ = false;             // "Wait, Locked" written for the lock in force
    std::int32_t heldTicks_ = 0;        // ticks of the stretch, counted against the cap
    std::int32_t releasedTicks_ = 0;    // ticks since a hold was last seen
    std::int16_t idleAtCountdown_ = 0;  // the idle count the countdown began at
    std::int32_t holdLimit_ = DefaultHoldLimit;
    std::vector<std::string> named_;  // holders the system log has named
    bool holdsFailureTold_ = false;
    power::EndAction action_ = power::EndAction::PowerOff;  // what this countdown ends in
    std::string missingTold_;                               // the last reason warned of
    bool asleep_ = false;
    bool sleepRequested_ = false;  // the request is out, its answer not read
    bool resumedEarly_ = false;    // ... and the machine has woken meanwhile
    std::int32_t asleepTicks_ = 0;
    std::int64_t askedAt_ = 0;  // ClockSeconds() at the request
    std::string scratch_;
};

}  // namespace dormix::monitor
