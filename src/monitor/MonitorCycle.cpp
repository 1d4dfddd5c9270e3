#include "monitor/MonitorCycle.h"

#include <algorithm>
#include <charconv>

#include "log/ProgramError.h"
#include "ui/Texts.h"

namespace dormix::monitor {

using ui::Colour;
using ui::Ctl;

namespace {

// "4 hours", "90 minutes", "45 seconds": the cap as an administrator set it.
std::string Duration(std::int32_t seconds) {
    auto unit = [](std::int32_t n, const char* word) {
        return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
    };
    if (seconds > 0 && seconds % 3600 == 0) return unit(seconds / 3600, "hour");
    if (seconds > 0 && seconds % 60 == 0) return unit(seconds / 60, "minute");
    return unit(seconds, "second");
}

// The action as the window and the log name it, and as a sentence does.
std::string_view Word(power::EndAction action) {
    return text::ActionWords[static_cast<int>(action)];
}
std::string_view Verb(power::EndAction action) {
    return text::ActionVerbs[static_cast<int>(action)];
}

std::string HoldersText(const std::vector<std::string>& holders) {
    std::string out;
    for (const std::string& h : holders) out.append(out.empty() ? "" : "; ").append(h);
    return out.empty() ? std::string(text::HeldSomething) : out;
}

}  // namespace

MonitorCycle::MonitorCycle(CycleParts parts) : p_(parts) { scratch_.reserve(64); }

void MonitorCycle::WriteLogEntry(std::string_view action, std::string_view detail) {
    p_.log.WriteLogEntry(action, detail, s_.TestMode, s_.PhaseCounter,
                         {text::PhaseNames[static_cast<int>(s_.MonitorPhase)], s_.InhibitShutdown});
}

void MonitorCycle::WriteExitEntry() {
    if (s_.MonitorPhase == Phase::Countdown)
        WriteLogEntry(text::LogExit, text::LogShutdown);
    else if (s_.MonitorPhase == Phase::Monitoring)
        WriteLogEntry(text::LogExit, text::LogRun);
    else
        WriteLogEntry(text::LogExit, text::LogInitialise);
}

void MonitorCycle::SetCounterText(std::string_view format, int number, std::string_view word) {
    char digits[12];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, number);
    const std::string_view shown(digits, std::size_t(end - digits));
    if (word.empty())
        text::FillInto(scratch_, format, {shown});
    else
        text::FillInto(scratch_, format, {word, shown});
    p_.view.SetCaption(Ctl::Counter, scratch_);
}

void MonitorCycle::Tick() {
    // While the cycle's own message box is open the step that opened it is
    // still running: a second step would log again and open another box.
    // The About window's automatic close below still needs these ticks.
    if (!messageOpen_ && asleep_) {
        AsleepStep();
    } else if (!messageOpen_) {
        FollowSchedule();
        if (s_.MonitorPhase == Phase::Monitoring && !s_.AboutOpen) MonitoringStep();
        if (s_.MonitorPhase == Phase::Activation && !s_.AboutOpen) ActivationStep();
        if (s_.MonitorPhase == Phase::Countdown && !s_.AboutOpen) CountdownStep();
    }
    if (s_.AboutCloseCounter < 1 && s_.AboutOpen) {
        s_.AboutOpen = false;
        if (p_.window) p_.window->about.CloseAbout();
        s_.AboutCloseCounter = AboutCloseSeconds;
    }
}

std::int16_t MonitorCycle::NormalLimitNow() {
    if (p_.limits.Schedule.empty() || !p_.clock) return p_.limits.IdleLimit;
    const log::LocalTime now = p_.clock->Now();
    return p_.limits.IdleLimitAt(Weekday(now.year, now.month, now.day), now.hour * 60 + now.minute);
}

void MonitorCycle::FollowSchedule() {
    // The rehearsal and the Test button keep their own limit; a countdown
    // that has begun runs to its end or to Cancel.
    if (s_.InhibitShutdown || s_.TestMode || s_.MonitorPhase == Phase::Countdown) return;
    const std::int16_t limit = NormalLimitNow();
    if (limit == s_.IdleLimit) return;
    s_.IdleLimit = limit;
    SetTitle();
}

void MonitorCycle::ActivationStep() {
    --s_.PhaseCounter;
    SetCounterText(text::ActivationIn, s_.PhaseCounter);
    if (s_.PhaseCounter <= 0) {
        s_.MonitorPhase = Phase::Monitoring;
        WriteLogEntry(text::LogEnter, text::LogRun);
        s_.PhaseCounter = 0;
    } else {
        // Keeps the stored sample current for the first monitoring tick.
        p_.sampler.SampleActivity();
    }
}

void MonitorCycle::MonitoringStep() {
    p_.sampler.SampleActivity();
    if (!p_.sampler.InputUnchanged) {
        s_.PhaseCounter = 0;
        waitingForOthers_ = false;
        ForgetHolds();
    } else if (s_.PhaseCounter < LongestIdleCount) {
        ++s_.PhaseCounter;
    }
    p_.view.SetBold(Ctl::Counter, true);
    p_.view.SetForeColour(Ctl::Counter, ui::Orange);
    p_.view.SetCaption(Ctl::CPULoad, p_.sampler.ActivityMark);
    SetCounterText(text::NoActivityFor, s_.PhaseCounter);
    if (s_.PhaseCounter < s_.IdleLimit) return;
    if (OtherSessionHoldsOff()) {
        // Someone else uses the machine: keep counting, ask again next tick.
        if (!waitingForOthers_) WriteLogEntry(text::LogWait, text::LogOtherUser);
        waitingForOthers_ = true;
        return;
    }
    waitingForOthers_ = false;
    // A hold keeps counting as no input: the label still tells how long
    // nobody typed, and only the countdown waits.
    if (HoldPostpones()) return;
    s_.MonitorPhase = Phase::Countdown;
    idleAtCountdown_ = s_.PhaseCounter;
    s_.PhaseCounter = 0;
}

bool MonitorCycle::OtherSessionHoldsOff() {
    return !s_.TestMode && p_.otherSessions && p_.otherSessions->OtherSessionInUse();
}

bool MonitorCycle::HoldsAsked() const { return !s_.TestMode && p_.holds; }

HoldAnswer MonitorCycle::AskHolds() {
    HoldAnswer answer = p_.holds->Ask();
    // Past the cap, or with no cap at all, films and slideshows hold
    // nothing; a lock that guards the system still does.
    if (holdLimit_ <= 0 || holdExpired_) answer.holders.clear();
    if (answer.failure.empty()) {
        holdsFailureTold_ = false;
    } else if (!holdsFailureTold_) {
        holdsFailureTold_ = true;
        p_.log.Mirror().Failure({log::SystemEvent::HoldsUnknown,
                                 text::Fill(text::HoldsTitle, {text::ProductTitle}),
                                 text::Fill(text::HoldsUnknown, {answer.failure}),
                                 0,
                                 {}});
    }
    return answer;
}

void MonitorCycle::NameHolders(const HoldAnswer& answer) {
    const std::string cap = Duration(holdLimit_);
    auto name = [&](const std::string& holder, bool lock) {
        if (std::find(named_.begin(), named_.end(), holder) != named_.end()) return;
        named_.push_back(holder);
        p_.log.Mirror().Failure(
            {log::SystemEvent::HeldBy,
             text::Fill(text::HoldsTitle, {text::ProductTitle}),
             lock ? text::Fill(text::LockedBy, {holder}) : text::Fill(text::HeldBy, {holder, cap}),
             0,
             {}});
    };
    for (const std::string& holder : answer.holders) name(holder, false);
    for (const std::string& lock : answer.locks) name(lock, true);
}

void MonitorCycle::TellHoldRanOut(const std::vector<std::string>& holders) {
    p_.log.Mirror().Failure(
        {log::SystemEvent::HoldRanOut,
         text::Fill(text::HoldsTitle, {text::ProductTitle}),
         text::Fill(text::HeldFor, {Duration(holdLimit_), HoldersText(holders)}),
         0,
         {}});
}

void MonitorCycle::TellStillLocked(const std::vector<std::string>& locks) {
    if (lockTold_) return;
    lockTold_ = true;
    WriteLogEntry(text::LogWait, text::LogLocked);
    p_.log.Mirror().Failure(
        {log::SystemEvent::LockedOn,
         text::Fill(text::HoldsTitle, {text::ProductTitle}),
         text::Fill(text::StillLocked, {HoldersText(locks), Duration(holdLimit_)}),
         0,
         {}});
}

bool MonitorCycle::HoldPostpones() {
    if (!HoldsAsked()) return false;
    const HoldAnswer answer = AskHolds();
    const bool held = !answer.holders.empty() || !answer.locks.empty();
    if (!held && !waitingForHold_) return false;
    if (!waitingForHold_ && !holdExpired_ && holdLimit_ > 0)
        WriteLogEntry(text::LogWait, text::LogHeld);
    waitingForHold_ = true;
    NameHolders(answer);
    releasedTicks_ = held ? 0 : releasedTicks_ + 1;
    if (!holdExpired_ && heldTicks_ < holdLimit_) {
        // The cap counts every second of the stretch, held or in a gap, so
        // a hold that comes and goes cannot start it again.
        ++heldTicks_;
        return releasedTicks_ <= HoldGapGrace;
    }
    if (!holdExpired_) {
        // Held as long as the administrator allows; only input, Cancel or
        // a new start sets the cap back.
        holdExpired_ = true;
        if (!answer.holders.empty() && answer.locks.empty()) {
            WriteLogEntry(text::LogExpire, text::LogHold);
            TellHoldRanOut(answer.holders);
        }
    }
    // Past the cap: a lock that guards the system is waited for, however
    // long; its release brings the countdown at once.
    if (answer.locks.empty()) {
        lockTold_ = false;
        return false;
    }
    TellStillLocked(answer.locks);
    return true;
}

bool MonitorCycle::HeldAtTheEnd() {
    if (!HoldsAsked()) return false;
    const HoldAnswer answer = AskHolds();
    if (answer.holders.empty() && answer.locks.empty()) return false;
    NameHolders(answer);
    BackToTheWait();
    if (holdExpired_) TellStillLocked(answer.locks);
    return true;
}

void MonitorCycle::BackToTheWait() {
    // The countdown goes back where it came from; the count of idle seconds
    // and the cap's count go on from where they stood.
    SendWindowBack();
    if (p_.window) p_.window->state.ClearTopmost();
    PlainLabels();
    // The countdown took no samples, and input during it changes nothing
    // (only Cancel does): the wait compares against a sample taken now.
    p_.sampler.SampleActivity();
    s_.MonitorPhase = Phase::Monitoring;
    s_.PhaseCounter = idleAtCountdown_;
    SetCounterText(text::NoActivityFor, s_.PhaseCounter);
    waitingForHold_ = true;
    releasedTicks_ = 0;
    if (!holdExpired_) WriteLogEntry(text::LogWait, text::LogHeld);
}

bool MonitorCycle::RequestPowerOff() {
    try {
        // A refusal is raised and reaches the last-resort report.
        p_.power.ShutdownSystem(power::FlagsPowerOffForced);
        return true;
    } catch (const ProgramError& error) {
        // Handed over without an answer, the request may still be carried
        // out; anything else was not, and the log says so after its Close.
        if (error.Number() != power::ErrUnconfirmed) WriteLogEntry(text::LogRefuse, s_.ActionWord);
        if (error.Number() != power::ErrLocked) throw;
        WaitForLock(error);
    }
    return false;
}

void MonitorCycle::WaitForLock(const ProgramError& refusal) {
    std::string_view why = refusal.Description();
    if (why.ends_with('.')) why.remove_suffix(1);
    p_.log.Mirror().Failure({log::SystemEvent::LockedOn,
                             text::Fill(text::HoldsTitle, {text::ProductTitle}),
                             text::Fill(text::RefusedByLock, {why}),
                             0,
                             {}});
    // A lock taken in the last instant: the wait goes on as for any lock.
    p_.end.CancelClosing();
    BackToTheWait();
    p_.timer.StartRefreshTimer();
}

void MonitorCycle::ChooseAction() {
    action_ = p_.limits.Action;
    if (action_ != power::EndAction::PowerOff)
        if (const std::string why = p_.power.SleepUnavailable(action_); !why.empty())
            SwitchOffInstead(text::Fill(text::ActionMissing, {Verb(action_), why}));
    s_.ActionWord = Word(action_);
}

void MonitorCycle::SwitchOffInstead(const std::string& warning) {
    action_ = power::EndAction::PowerOff;
    s_.ActionWord = Word(action_);
    if (warning == missingTold_) return;
    missingTold_ = warning;
    p_.log.Mirror().Failure({log::SystemEvent::ActionMissing,
                             text::Fill(text::ActionTitle, {text::ProductTitle}),
                             warning,
                             0,
                             {}});
}

void MonitorCycle::CloseAndEnd() {
    WriteLogEntry(text::LogClose, s_.ActionWord);
    // The request may wait on the system a few seconds with the window
    // still painting: no tick may run this step again.
    p_.timer.StopRefreshTimer();
    p_.end.BeginClosing();
    if (RequestEnd()) p_.end.EndProgram();
}

bool MonitorCycle::RequestEnd() {
    if (action_ == power::EndAction::PowerOff) return RequestPowerOff();
    if (RequestSleep()) return false;
    WriteLogEntry(text::LogClose, s_.ActionWord);
    return RequestPowerOff();
}

bool MonitorCycle::RequestSleep() {
    try {
        // While the request waits on the system its loop keeps turning, and
        // the machine may be down and back before the answer is read.
        sleepRequested_ = true;
        resumedEarly_ = false;
        p_.power.SleepSystem(action_);
        sleepRequested_ = false;
    } catch (const ProgramError& error) {
        sleepRequested_ = false;
        if (error.Number() != power::ErrUnconfirmed) WriteLogEntry(text::LogRefuse, s_.ActionWord);
        if (error.Number() == power::ErrLocked) {
            WaitForLock(error);
            return true;
        }
        // Handed over without an answer, it may still be carried out: waited
        // for as a request taken. Anything else was refused.
        if (error.Number() != power::ErrUnconfirmed) {
            SwitchOffInstead(text::Fill(text::ActionMissing,
                                        {Verb(action_), power::Reason(error.Description())}));
            return false;
        }
    }
    // The program goes on; the machine goes down in a moment, or has been
    // down and is back when the request returns.
    p_.end.CancelClosing();
    asleep_ = true;
    asleepTicks_ = 0;
    askedAt_ = ClockSeconds();
    p_.timer.StartRefreshTimer();
    if (resumedEarly_) Woke();
    return true;
}

std::int64_t MonitorCycle::ClockSeconds() {
    if (!p_.clock) return 0;
    const log::LocalTime t = p_.clock->Now();
    // Days since 1 March of year 0, as the proleptic Gregorian calendar counts them.
    const int y = t.year - (t.month <= 2);
    const int era = y / 400, yoe = y - era * 400;
    const int doy = (153 * (t.month + (t.month > 2 ? -3 : 9)) + 2) / 5 + t.day - 1;
    const std::int64_t days = std::int64_t(era) * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return days * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

void MonitorCycle::AsleepStep() {
    ++asleepTicks_;
    // The clock ran on while no tick came: the machine slept and woke, and
    // its wake-up's signal was missed or is yet to come.
    if (p_.clock && ClockSeconds() - askedAt_ > asleepTicks_ + SleptGap) return Woke();
    if (asleepTicks_ < SleepWaitLimit) return;
    // Taken, and yet the machine ran on: nothing may keep it on.
    asleep_ = false;
    WriteLogEntry(text::LogRefuse, s_.ActionWord);
    SwitchOffInstead(
        text::Fill(text::ActionNotTaken, {Verb(action_), std::to_string(SleepWaitLimit)}));
    CloseAndEnd();
}

void MonitorCycle::Woke() {
    asleep_ = false;
    WriteLogEntry(text::LogWake, s_.ActionWord);
    SendWindowBack();
    ResetCycle();
    RefreshCaptions();
}

void MonitorCycle::ForgetHolds() {
    waitingForHold_ = false;
    holdExpired_ = false;
    lockTold_ = false;
    heldTicks_ = 0;
    releasedTicks_ = 0;
    named_.clear();
}

void MonitorCycle::ShowCycleMessage(const std::string& message, const std::string& title,
                                    bool closing) {
    messageOpen_ = true;
    if (closing)
        p_.end.ClosingMessageBox(message, title, ui::MessageIcon::None);
    else
        p_.boxes.MessageBox(message, title, ui::MessageIcon::None);
    messageOpen_ = false;
}

void MonitorCycle::CountdownStep() {
    p_.view.SetCaption(Ctl::CPULoad, "");
    if (s_.PhaseCounter == 0 && p_.window) {
        p_.window->tray.RestoreFromTray();
        p_.window->state.SetTopmost();
        p_.window->icon.TrayDelete();
    }
    if (s_.PhaseCounter == 0) ChooseAction();
    if (s_.TestMode) {
        WriteLogEntry(text::LogSimulate, s_.ActionWord);
        ShowCycleMessage(text::Fill(text::TestMessage, {s_.ActionWord}),
                         text::Fill(text::TestTitle, {text::ProductTitle}));
        ResetCycle();
        RefreshCaptions();
        return;
    }
    if (s_.PhaseCounter == 0) WriteLogEntry(text::LogEnter, s_.ActionWord);
    p_.view.SetEnabled(Ctl::About, false);
    p_.view.SetEnabled(Ctl::TestS, false);
    p_.view.SetEnabled(Ctl::Exit, false);
    p_.view.SetForeColour(Ctl::CPULoad, ui::White);
    p_.view.SetForeColour(Ctl::Counter, ui::White);
    p_.view.SetBackColour(Ctl::CPULoad, ui::Orange);
    p_.view.SetBackColour(Ctl::Counter, ui::Orange);
    SetCounterText(text::WillActIn, s_.CountdownLength - s_.PhaseCounter, s_.ActionWord);
    p_.view.SetCaption(Ctl::Reset, text::CaptionCancel);
    p_.view.SetTooltip(Ctl::Reset,
                       text::Fill(text::TipCancel, {text::ProductTitle, s_.ActionWord}));
    p_.view.SetCaption(Ctl::CPULoad, "");
    if (s_.PhaseCounter >= s_.CountdownLength) {
        // Someone switched in or logged on during the countdown: asked
        // before anything is written, and ended as a Cancel would end it.
        if (OtherSessionHoldsOff()) {
            OnResetClick();
            return;
        }
        if (HeldAtTheEnd()) return;
        if (s_.InhibitShutdown) {
            WriteLogEntry(s_.ActionWord, text::LogSimulate);
            ShowCycleMessage(text::Fill(text::RealTestMessage, {s_.ActionWord}),
                             text::Fill(text::SimulateTitle, {text::ProductTitle, s_.ActionWord}),
                             true);
        } else {
            CloseAndEnd();
            return;
        }
        p_.end.EndProgram();
    }
    ++s_.PhaseCounter;
}

void MonitorCycle::ResetCycle() {
    std::int16_t baseIdleLimit = NormalLimitNow();
    s_.TestMode = false;
    waitingForOthers_ = false;
    asleep_ = false;
    ForgetHolds();
    holdLimit_ = s_.InhibitShutdown ? InhibitHoldLimit : p_.limits.HoldLimit;
    p_.timer.StopRefreshTimer();
    s_.PhaseCounter = ActivationTicks;
    s_.MonitorPhase = Phase::Activation;
    if (s_.InhibitShutdown) baseIdleLimit = InhibitLimit;
    s_.CountdownLength = CountdownLengthNow();
    s_.AboutCloseCounter = AboutCloseSeconds;
    s_.IdleLimit = baseIdleLimit;
    p_.view.SetCaption(Ctl::CPULoad, "");
    action_ = p_.limits.Action;
    s_.ActionWord = Word(action_);
    PlainLabels();
    if (p_.window) p_.window->state.ClearTopmost();
}

void MonitorCycle::PlainLabels() {
    p_.view.SetBackColour(Ctl::CPULoad, Colour::ButtonFace());
    p_.view.SetBackColour(Ctl::Counter, Colour::ButtonFace());
    p_.view.SetForeColour(Ctl::CPULoad, Colour::ButtonText());
    p_.view.SetForeColour(Ctl::Counter, Colour::ButtonText());
    p_.view.SetForeColour(Ctl::Title, Colour::ButtonText());
    p_.view.SetBold(Ctl::Title, false);
    p_.view.SetBold(Ctl::Counter, false);
    p_.view.SetEnabled(Ctl::About, true);
    p_.view.SetEnabled(Ctl::Exit, p_.limits.AllowExit);
    p_.view.SetEnabled(Ctl::TestS, true);
}

void MonitorCycle::SetLimits(CycleLimits limits) {
    p_.limits = limits;
    if (s_.InhibitShutdown || s_.TestMode) return;
    s_.IdleLimit = NormalLimitNow();
    holdLimit_ = limits.HoldLimit;
    if (s_.MonitorPhase == Phase::Countdown) return;
    s_.CountdownLength = CountdownLengthNow();
    action_ = limits.Action;
    s_.ActionWord = Word(action_);
    SetTitle();
}

void MonitorCycle::SetTitle() {
    if (s_.IdleLimit == NoIdleLimit) {
        p_.view.SetCaption(Ctl::Title, text::Fill(text::TitleNever, {s_.ActionWord}));
        return;
    }
    p_.view.SetCaption(Ctl::Title,
                       text::Fill(text::Title, {s_.ActionWord, std::to_string(s_.IdleLimit)}));
}

void MonitorCycle::RefreshCaptions() {
    p_.view.SetTooltip(Ctl::Reset, text::Fill(text::TipReset, {text::ProductTitle}));
    p_.view.SetTooltip(Ctl::Exit, p_.limits.AllowExit
                                      ? text::Fill(text::TipExit, {text::ProductTitle})
                                      : text::Fill(text::TipExitKept, {text::ProductTitle}));
    p_.view.SetTooltip(Ctl::About, text::Fill(text::TipAbout, {text::ProductTitle}));
    p_.view.SetWindowCaption(ui::Wnd::DormixMain, text::ProductTitle);
    SetTitle();
    SetCounterText(text::ActivationIn, s_.PhaseCounter);
    p_.timer.StartRefreshTimer();
}

void MonitorCycle::OnResetClick() {
    if (s_.MonitorPhase == Phase::Countdown) {
        WriteLogEntry(text::LogReset, s_.ActionWord);
        SendWindowBack();
    } else if (s_.MonitorPhase == Phase::Monitoring) {
        WriteLogEntry(text::LogReset, text::LogRun);
    } else {
        WriteLogEntry(text::LogReset, text::LogActivate);
    }
    ResetCycle();
    RefreshCaptions();
}

void MonitorCycle::SendWindowBack() {
    p_.view.SetCaption(Ctl::Reset, text::CaptionReset);
    p_.view.SetTooltip(Ctl::Reset, text::Fill(text::TipReset, {text::ProductTitle}));
    if (p_.window && !p_.window->tray.WindowOpenedByUser) {
        // The countdown brought the window out: send it back. Some window
        // systems report the minimising later, so it is handled here too.
        p_.window->state.SetMinimised();
        p_.window->tray.MinimiseToTray();
    }
}

void MonitorCycle::OnTestClick() {
    ResetCycle();
    s_.TestMode = true;
    s_.IdleLimit = TestIdleLimit;
    RefreshCaptions();
    p_.view.SetCaption(Ctl::Reset, text::CaptionReset);
    WriteLogEntry(text::LogEnter, text::LogTest);
    p_.view.SetWindowCaption(ui::Wnd::DormixMain,
                             text::Fill(text::TestModeCaption, {text::ProductTitle}));
    p_.view.SetTooltip(Ctl::Reset, text::Fill(text::TipReset, {text::ProductTitle}));
}

void MonitorCycle::OnResume() {
    if (asleep_) return Woke();
    if (sleepRequested_) {
        resumedEarly_ = true;
        return;
    }
    // Not while the last step runs: its box is open or the request is out.
    if (s_.MonitorPhase != Phase::Countdown || messageOpen_ ||
        s_.PhaseCounter >= s_.CountdownLength || s_.TestMode)
        return;
    // The full length shows now; the next tick counts its first second.
    SetCounterText(text::WillActIn, s_.CountdownLength, s_.ActionWord);
    s_.PhaseCounter = 1;
}

void MonitorCycle::OnAboutClick() {
    if (!p_.window) return;
    s_.AboutOpen = true;
    p_.window->about.ShowAboutModal();
}

void MonitorCycle::OnAboutLoad() {
    s_.AboutCloseCounter = s_.InhibitShutdown ? AboutCloseSecondsInhibited : AboutCloseSeconds;
}

std::int16_t MonitorCycle::OnAboutSecond() { return s_.AboutCloseCounter--; }

void MonitorCycle::OnAboutClosed() { s_.AboutOpen = false; }

}  // namespace dormix::monitor
