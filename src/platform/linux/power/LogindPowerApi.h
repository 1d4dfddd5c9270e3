#pragma once
// The power-off steps carried out by systemd-logind over the system bus.
//
// The privilege steps become questions to logind: is it there (the look-up),
// may this user power off (CanPowerOff answering "yes" opens the "token";
// "challenge" opens it only for the active session of its seat). The request maps the flags onto
// logind's methods; "forced" means no interactive authentication prompt, never overriding a block
// inhibitor that another program holds. Every failure keeps logind's or the
// bus's own message as the system text of its error code.
//
// Everything before the request itself, from reaching the bus on, has one
// budget of a few seconds, counted from the look-up: a bus or a logind that
// does not answer in it is reported with the timeout code, and nothing is
// sent to logind once the budget is spent, so a bus that wakes up late can
// never switch the machine off late. Once the request is on the bus, logind
// holds it and may act on it whatever we do, so its answer is awaited as
// long as logind itself may take; no answer then is reported as a request
// sent and unconfirmed, never as a timeout. While waiting, the caller's
// event loop keeps turning (repaints, the signal pipe), without user input.

#include <chrono>
#include <cstdint>
#include <map>
#include <string>

#include "platform/linux/logind/LogindBus.h"
#include "power/PowerApi.h"

namespace dormix::linux_power {

inline constexpr std::chrono::milliseconds RequestBudget{3000};
// logind answers PowerOff once polkit has answered it, and it asks polkit
// with sd-bus's default method timeout of 25 s: past that, logind has given
// up on polkit and answered, or it is not coming. 5 s more for logind's own
// work and the bus under load.
inline constexpr std::chrono::milliseconds AnswerBudget{30000};

// What the flags ask logind for.
struct LogindRequest {
    const char* method;  // PowerOff, Reboot, Halt or TerminateSession
    bool interactive;    // false when forced (4 or 16)
    bool inhibitable;    // subject to "shutdown" inhibitors
};
LogindRequest RequestFor(std::int32_t flags);

class LogindPowerApi final : public power::PowerApi {
  public:
    // `address`: a D-Bus address; empty for the system bus.
    explicit LogindPowerApi(std::string address = {},
                            std::chrono::milliseconds budget = RequestBudget,
                            std::chrono::milliseconds answerBudget = AnswerBudget);
    ~LogindPowerApi() override;
    LogindPowerApi(const LogindPowerApi&) = delete;
    LogindPowerApi& operator=(const LogindPowerApi&) = delete;

    bool ReachPowerService() override;
    bool IdentifyProcess() override { return true; }
    bool MayPowerOff(std::uint32_t access) override;
    bool ClaimPowerOffRight() override { return true; }
    void ReleaseRights() override {}
    bool RequestPowerOff(std::int32_t flags, std::uint32_t reason) override;
    // CanHibernate or CanSuspend, as CanPowerOff; Hibernate(false) or
    // Suspend(false), with the "sleep" locks looked at first.
    bool MaySleep(power::EndAction action) override;
    bool RequestSleep(power::EndAction action) override;
    std::uint32_t LastError() override { return lastError_; }
    std::uint32_t ErrorText(std::uint32_t code, char* buffer, std::uint32_t size) override;

  private:
    bool Fail(const std::string& text);
    bool Fail(const linux_logind::Answer& answer);
    // A lock that guards the system refused the request (`text`: whose):
    // no failure, the cycle waits for its release.
    bool Locked(const std::string& text);
    // logind's answer to `method` (CanPowerOff and its kin).
    bool May(const char* method);
    bool OwnSessionActive(const char* method);
    // `inhibited`: the locks that stop it ("shutdown", "sleep"), or null.
    bool Send(const char* method, bool interactive, const char* inhibited);

    linux_logind::LogindBus bus_;
    std::chrono::milliseconds answerBudget_;
    std::uint32_t lastError_ = 0;
    std::uint32_t issued_ = 0;
    std::map<std::uint32_t, std::string> texts_;
};

}  // namespace dormix::linux_power
