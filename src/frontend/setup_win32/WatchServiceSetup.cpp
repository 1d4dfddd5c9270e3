#include "frontend/setup_win32/WatchServiceSetup.h"

#include <cwchar>
#include <vector>

#include "frontend/setup_win32/ActionData.h"
#include "ui/Texts.h"

namespace dormix::setup_win32 {

namespace {

constexpr DWORD PatienceMs = 10000;
constexpr DWORD RetryMs = 250;
constexpr DWORD RestartAfterMs = 60000;
constexpr DWORD FailuresForgottenAfterS = 86400;

const std::wstring& Name() {
    static const std::wstring name = Wide(text::WatchServiceName);
    return name;
}

class ServiceHandle {
  public:
    explicit ServiceHandle(SC_HANDLE h = nullptr) : h_(h) {}
    ServiceHandle(const ServiceHandle&) = delete;
    ServiceHandle& operator=(const ServiceHandle&) = delete;
    ~ServiceHandle() { Close(); }
    void Reset(SC_HANDLE h) {
        Close();
        h_ = h;
    }
    void Close() {
        if (h_) CloseServiceHandle(h_);
        h_ = nullptr;
    }
    SC_HANDLE get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }

  private:
    SC_HANDLE h_;
};

std::wstring ErrorText(const wchar_t* what, DWORD error) {
    return std::wstring(what) + L" (error " + std::to_wstring(error) + L")";
}

bool WaitUntilStopped(SC_HANDLE service) {
    SERVICE_STATUS status{};
    for (DWORD waited = 0;; waited += RetryMs) {
        if (!QueryServiceStatus(service, &status)) return false;
        if (status.dwCurrentState == SERVICE_STOPPED) return true;
        if (waited >= PatienceMs) return false;
        Sleep(RetryMs);
    }
}

// The description and the recovery: restarted a minute after a failure (a
// refused power-off, the log out of reach), and a stop with an error code
// counted as one. The watch works without them, so their failure is not
// the install's.
void DescribeAndRecover(SC_HANDLE service) {
    std::wstring description = Wide(text::WatchDescription);
    SERVICE_DESCRIPTIONW about{description.data()};
    ChangeServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION, &about);
    SC_ACTION restart{SC_ACTION_RESTART, RestartAfterMs};
    SERVICE_FAILURE_ACTIONSW recovery{FailuresForgottenAfterS, nullptr, nullptr, 1, &restart};
    ChangeServiceConfig2W(service, SERVICE_CONFIG_FAILURE_ACTIONS, &recovery);
    SERVICE_FAILURE_ACTIONS_FLAG flag{TRUE};
    ChangeServiceConfig2W(service, SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, &flag);
}

// Made anew, or the one there set up again. A service deleted while
// something still held a handle to it stays "marked for deletion" until
// that handle closes, and neither a new one nor a change is taken until
// then: tried again for up to 10 s, as the NSIS installer does.
bool Register(SC_HANDLE manager, DWORD start, const std::wstring& path, ServiceHandle& service,
              std::wstring& why) {
    const std::wstring display = Wide(text::WatchTitle);
    for (DWORD waited = 0;; waited += RetryMs) {
        // Our own handle to the doomed service would keep it alive too.
        service.Close();
        service.Reset(OpenServiceW(manager, Name().c_str(), SERVICE_ALL_ACCESS));
        DWORD error = ERROR_SUCCESS;
        if (service) {
            if (ChangeServiceConfigW(service.get(), SERVICE_WIN32_OWN_PROCESS, start,
                                     SERVICE_ERROR_NORMAL, path.c_str(), nullptr, nullptr, nullptr,
                                     L"LocalSystem", L"", display.c_str()))
                return true;
            error = GetLastError();
        } else {
            service.Reset(CreateServiceW(manager, Name().c_str(), display.c_str(),
                                         SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS, start,
                                         SERVICE_ERROR_NORMAL, path.c_str(), nullptr, nullptr,
                                         nullptr, L"LocalSystem", nullptr));
            if (service) return true;
            error = GetLastError();
        }
        if (error != ERROR_SERVICE_MARKED_FOR_DELETE || waited >= PatienceMs) {
            why = ErrorText(L"registering the service failed", error);
            return false;
        }
        Sleep(RetryMs);
    }
}

}  // namespace

std::wstring WatchState::Encoded() const {
    if (!exists) return L"absent";
    return L"start=" + std::to_wstring(start) + L"|running=" + (running ? L"1" : L"0") + L"|path=" +
           path;
}

WatchState WatchState::Decoded(const std::wstring& text) {
    WatchState state;
    for (const auto& [key, value] : Fields(text)) {
        state.exists = true;
        if (key == L"start") state.start = std::wcstoul(value.c_str(), nullptr, 10);
        if (key == L"running") state.running = value == L"1";
        if (key == L"path") state.path = value;
    }
    return state;
}

WatchState ReadWatch() {
    WatchState state;
    ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return state;
    ServiceHandle service(
        OpenServiceW(manager.get(), Name().c_str(), SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS));
    if (!service) return state;
    DWORD needed = 0;
    QueryServiceConfigW(service.get(), nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed ? needed : sizeof(QUERY_SERVICE_CONFIGW));
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
    if (!QueryServiceConfigW(service.get(), config, DWORD(buffer.size()), &needed)) return state;
    state.exists = true;
    state.start = config->dwStartType;
    if (config->lpBinaryPathName) state.path = config->lpBinaryPathName;
    SERVICE_STATUS status{};
    state.running =
        QueryServiceStatus(service.get(), &status) && status.dwCurrentState != SERVICE_STOPPED;
    return state;
}

bool StopWatch(bool remove, std::wstring& why) {
    ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) return true;  // nothing to stop, nothing to delete
    ServiceHandle service(OpenServiceW(manager.get(), Name().c_str(), SERVICE_ALL_ACCESS));
    if (!service) return true;
    SERVICE_STATUS status{};
    if (ControlService(service.get(), SERVICE_CONTROL_STOP, &status) ||
        GetLastError() != ERROR_SERVICE_NOT_ACTIVE)
        WaitUntilStopped(service.get());
    if (remove && !DeleteService(service.get()) &&
        GetLastError() != ERROR_SERVICE_MARKED_FOR_DELETE) {
        why = ErrorText(L"deleting the service failed", GetLastError());
        return false;
    }
    return true;
}

bool ApplyWatch(DWORD start, const std::wstring& path, bool run, std::wstring& why) {
    ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) {
        why = ErrorText(L"the service manager cannot be opened", GetLastError());
        return false;
    }
    ServiceHandle service;
    if (!Register(manager.get(), start, path, service, why)) return false;
    DescribeAndRecover(service.get());
    if (run && !StartServiceW(service.get(), 0, nullptr) &&
        GetLastError() != ERROR_SERVICE_ALREADY_RUNNING) {
        why = ErrorText(L"starting the service failed", GetLastError());
        return false;
    }
    return true;
}

void RestoreWatch(const WatchState& before) {
    std::wstring why;
    StopWatch(!before.exists, why);
    if (!before.exists) return;
    ApplyWatch(before.start, before.path, before.running, why);
}

}  // namespace dormix::setup_win32
