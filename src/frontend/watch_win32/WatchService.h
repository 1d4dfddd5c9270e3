#pragma once
// The watch as a Windows service: the service manager's control handler,
// the service thread's loop, and the ports the watch needs in session 0.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/watch_win32/SessionCopies.h"
#include "platform/win32/WinApi.h"
#include "platform/win32/log/EventLogMirror.h"
#include "platform/win32/log/FileSystemLogFiles.h"
#include "platform/win32/log/LocalClock.h"
#include "platform/win32/power/SystemShutdownApi.h"
#include "settings/Settings.h"
#include "ui/Texts.h"
#include "ui/TickCadence.h"
#include "watch/Watch.h"

namespace dormix::watch_win32 {

inline constexpr const char* ServiceName = text::WatchServiceName.data();
inline constexpr std::string_view NotAService =
    "DormixWatch is the Dormix Lite Watch service (DormixLiteWatch): the service "
    "manager starts it, once an administrator has enabled it (sc config DormixLiteWatch "
    "start= auto, then sc start DormixLiteWatch). It does not run on its own.";

// What the service manager is told, from whichever thread has news: the
// service thread starts and ends, the control handler's thread asks it to
// stop. Stopped is the last word; a stop asked for at that moment is not
// reported after it.
class ServiceStatus {
  public:
    void Attach(SERVICE_STATUS_HANDLE handle) { handle_ = handle; }
    // Each step of the start (settings, the first count, the log's first
    // entries) moves the check point on: the service manager sees a start
    // that progresses, not one that hangs.
    void StartPending();
    void Running();
    void StopPending();
    // A non-zero `exitCode` is a failure: the service manager's recovery
    // actions (a restart a minute later) follow.
    void Stopped(DWORD exitCode);

  private:
    void Report(DWORD state, DWORD exitCode, DWORD waitHintMs);

    std::mutex mutex_;
    SERVICE_STATUS_HANDLE handle_ = nullptr;
    DWORD checkPoint_ = 0;
    bool stopped_ = false;
};

// The timer and the end of a program without a window. The messages the
// cycle would show (the rehearsal's, a failure's) have already reached the
// event log as their entry or failure; in session 0 nobody could read a box.
class ServiceShell final : public ui::RefreshTimer,
                           public ui::MessageBoxes,
                           public log::ProcessExit {
  public:
    ServiceShell(ServiceStatus& status, int periodMs) : status_(status), cadence_(periodMs) {}

    void StartRefreshTimer() override;
    void StopRefreshTimer() override { running_ = false; }
    void MessageBox(std::string_view, std::string_view, ui::MessageIcon) override {}
    void EndProcess(bool failed) override;

    // Milliseconds until the next tick is due (0: now), or INFINITE.
    DWORD UntilTick() const;
    // The tick is due: the beat moves on to the next one.
    void Beat();

  private:
    static std::int64_t Now() { return static_cast<std::int64_t>(GetTickCount64()); }

    ServiceStatus& status_;
    ui::TickCadence cadence_;
    std::int64_t due_ = 0;
    bool running_ = false;
};

// The users logged on, asked afresh: before the countdown and right before
// the request, the answer the cycle acts on also updates the watch's count.
class FreshLogons final : public monitor::OtherSessions {
  public:
    explicit FreshLogons(watch::Logons& logons) : logons_(logons) {}
    void Count();
    bool OtherSessionInUse() override {
        Count();
        return logons_.LoggedOn();
    }

  private:
    watch::Logons& logons_;
};

class WatchService {
  public:
    // `arguments`: the executable's and the start request's, together.
    WatchService(ServiceStatus& status, const std::vector<std::string>& arguments);

    // The service thread: the log's start, then ticks and the handler's news
    // until a stop ends the process.
    [[noreturn]] void Run();
    // From the control dispatcher's thread: note the news, wake the loop.
    // `eventData`: the control's own data (a session change's session).
    DWORD Control(DWORD control, DWORD eventType, void* eventData);

  private:
    void Tick();
    watch::WatchPorts Ports();
    void Wake() { SetEvent(wake_); }

    ServiceStatus& status_;
    ServiceShell shell_;
    win32_log::FileSystemLogFiles files_;
    win32_log::LocalClock clock_;
    win32_power::SystemShutdownApi power_;
    win32_log::EventLogMirror eventLog_{text::WatchTitle};
    watch::Logons logons_{"the session manager (wtsapi32)"};
    FreshLogons loggedOn_{logons_};
    watch::WatchArguments arguments_;
    bool keepOnly_;
    settings::Effective settings_;
    watch::Watch watch_;
    // Where the administrator keeps the tray program running (AllowExit=0).
    WtsSessionCopies copies_;
    watch::TrayKeeper keeper_{copies_, eventLog_};
    HANDLE wake_;
    int ticksSinceCount_ = 0;
    std::atomic<bool> stop_{false}, sessionChanged_{false}, resumed_{false};
    std::mutex loggedOffMutex_;
    std::vector<DWORD> loggedOff_;  // sessions whose log-off the handler heard of
};

// The WatchLog folder beside the executable, where the installers make it.
std::string LogFileBesideProgram();

}  // namespace dormix::watch_win32
