#include "log/SystemLog.h"

#include "ui/Texts.h"

namespace dormix::log {

bool IsWarning(SystemEvent event) {
    if (event == SystemEvent::SettingsInForce) return false;
    if (event == SystemEvent::SourceRecovered) return false;
    if (event == SystemEvent::HeldBy) return false;
    return event == SystemEvent::PowerOffRequested || event == SystemEvent::PowerOffRefused ||
           static_cast<std::uint16_t>(event) >=
               static_cast<std::uint16_t>(SystemEvent::LogDirectoryError);
}

SystemEvent EntryEvent(std::string_view action, std::string_view detail) {
    if (action == text::LogStart) return SystemEvent::Started;
    if (action == text::LogEnter) {
        if (detail == text::LogRun) return SystemEvent::MonitoringBegan;
        if (detail == text::LogTest) return SystemEvent::TestBegan;
        return SystemEvent::CountdownBegan;
    }
    if (action == text::LogSimulate) return SystemEvent::TestEnded;
    if (action == text::LogClose) return SystemEvent::PowerOffRequested;
    if (action == text::LogReset) return SystemEvent::Reset;
    if (action == text::LogExit) return SystemEvent::Exited;
    if (action == text::LogRefuse) return SystemEvent::PowerOffRefused;
    if (action == text::LogWake) return SystemEvent::Woke;
    if (action == text::LogWait) {
        if (detail == text::LogHeld) return SystemEvent::HeldWait;
        if (detail == text::LogLocked) return SystemEvent::LockedWait;
        return SystemEvent::OtherUserWait;
    }
    if (action == text::LogExpire) return SystemEvent::HoldExpired;
    // The one pair left in the vocabulary: the end action, "Simulate".
    return SystemEvent::CountdownSimulated;
}

std::string_view ProgramVersion() { return text::FullVersion; }

NoSystemLog& NoSystemLog::Instance() {
    static NoSystemLog none;
    return none;
}

}  // namespace dormix::log
