#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "log/SendQueue.h"
#include "log/SystemLog.h"
#include "platform/win32/WinApi.h"
#include "ui/Texts.h"

namespace dormix::win32_log {

// The Application event log through ReportEventA, under the source
// "Dormix Lite" (the tray program) or "Dormix Lite Watch" (the service).
// The texts Event Viewer shows come from the message table in DormixL.exe
// (DormixEvents.mc), which the installers register as both sources'
// EventMessageFile. An unregistered source still logs; Event Viewer then
// shows the insertion strings without their text.
//
// ReportEventA waits on the event-log service; one that is stuck must not
// freeze the window, so the reports go through a SendQueue, as the
// journal's copies do on Linux.
class EventLogMirror final : public log::SystemLog {
  public:
    explicit EventLogMirror(std::string_view source = text::ProductTitle);
    ~EventLogMirror() override;
    EventLogMirror(const EventLogMirror&) = delete;
    EventLogMirror& operator=(const EventLogMirror&) = delete;

    void Entry(const log::SystemLogEntry& entry) noexcept override;
    void Failure(const log::SystemLogFailure& failure) noexcept override;

  private:
    void Report(log::SystemEvent event, std::vector<std::string> strings) noexcept;

    HANDLE source_;
    log::SendQueue queue_;
};

// The message table's id of a kind of event (the low word is the event's number).
DWORD MessageId(log::SystemEvent event);

}  // namespace dormix::win32_log
