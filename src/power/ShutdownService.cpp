#include "power/ShutdownService.h"

#include <string>

#include "log/ProgramError.h"
#include "ui/Texts.h"

namespace dormix::power {

ShutdownService::ShutdownService(PowerApi& api, std::string programName)
    : api_(api), source_(text::Fill(text::ShutdownSource, {programName})) {}

void ShutdownService::Raise(std::int32_t number, std::string description) {
    throw ProgramError(number, source_, std::move(description));
}

void ShutdownService::RaiseWithSystemText(std::int32_t number, std::string_view prefix) {
    // The last error is read before any other call can change it.
    RaiseFor(api_.LastError(), number, prefix, text::ShutdownTextEnd);
}

void ShutdownService::RaiseFor(std::uint32_t code, std::int32_t number, std::string_view prefix,
                               std::string_view end) {
    // A step that waited in vain is no refusal: whichever step it was, it
    // is reported as a timeout.
    if (code == ErrorTimeout)
        Raise(ErrTimedOut, std::string(text::ShutdownTimedOut) + SystemErrorText(code));
    if (code == ErrorRequestPending)
        Raise(ErrUnconfirmed, std::string(text::ShutdownUnconfirmed) + SystemErrorText(code));
    if (code == ErrorLocked) Raise(ErrLocked, SystemErrorText(code));
    std::string description(prefix);
    description += SystemErrorText(code);
    description += end;
    Raise(number, std::move(description));
}

bool ShutdownService::ShutdownSystem(std::int32_t flags) {
    if (flags < 0 || flags > 31)
        Raise(ErrInvalidParameter, std::string(text::ShutdownInvalid) + std::to_string(flags));
    if (!EnableShutdownPrivilege()) return false;
    if (api_.RequestPowerOff(flags, ReasonAllBits)) return true;
    RaiseFor(api_.LastError(), ErrExitWindowsFailed, text::ShutdownFailed, "");
}

std::string Reason(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '.'))
        text.pop_back();
    return text.empty() ? std::string("no reason given") : text;
}

std::string ShutdownService::SleepUnavailable(EndAction action) {
    if (api_.ReachPowerService() && api_.IdentifyProcess() && api_.MaySleep(action)) return {};
    return Reason(SystemErrorText(api_.LastError()));
}

void ShutdownService::ReachAndIdentify() {
    if (!api_.ReachPowerService())
        RaiseWithSystemText(ErrNoPrivilegeValue, text::ShutdownNoPrivilegeValue);
    if (!api_.IdentifyProcess()) RaiseWithSystemText(ErrNoCurrentProcess, text::ShutdownNoProcess);
}

bool ShutdownService::SleepSystem(EndAction action) {
    ReachAndIdentify();
    if (!api_.MaySleep(action)) RaiseWithSystemText(ErrNoPrivileges, text::ShutdownNoPrivileges);
    if (api_.RequestSleep(action)) return true;
    RaiseFor(api_.LastError(), ErrSleepFailed, text::SleepFailed, "");
}

bool ShutdownService::EnableShutdownPrivilege() {
    ReachAndIdentify();
    if (!api_.MayPowerOff(TokenAdjustAndQuery))
        RaiseWithSystemText(ErrNoPrivileges, text::ShutdownNoPrivileges);
    // Success is judged by the return value alone: a token without the
    // privilege passes here and the request itself is refused later.
    const bool adjusted = api_.ClaimPowerOffRight();
    const std::uint32_t code = adjusted ? 0 : api_.LastError();
    api_.ReleaseRights();
    if (adjusted) return true;
    RaiseFor(code, ErrNoPrivileges, text::ShutdownNoPrivileges, text::ShutdownTextEnd);
}

std::string ShutdownService::SystemErrorText(std::uint32_t code) {
    std::string buffer(MessageBufferSize, ' ');
    const std::uint32_t n = api_.ErrorText(code, buffer.data(), MessageBufferSize);
    // The system's sentence is kept as written, line break included.
    return n ? buffer.substr(0, std::min<std::uint32_t>(n, MessageBufferSize)) : std::string();
}

}  // namespace dormix::power
