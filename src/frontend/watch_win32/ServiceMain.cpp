// Entry of DormixWatch.exe, the service DormixLiteWatch. The main thread
// hands itself to the service manager's dispatcher, which calls ServiceMain
// on a thread of its own and the control handler on the main thread.
#include <atomic>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "frontend/watch_win32/WatchService.h"

namespace {

using dormix::watch_win32::ServiceStatus;
using dormix::watch_win32::WatchService;

// The executable's own arguments (from the service's command line, set once
// at registration), to which each start request's are added.
std::vector<std::string> imageArguments;
ServiceStatus status;
// Set by the service thread once the watch exists; read by the handler.
std::atomic<WatchService*> service{nullptr};

DWORD WINAPI Handler(DWORD control, DWORD eventType, LPVOID eventData, LPVOID) {
    WatchService* watch = service.load();
    if (!watch)
        return control == SERVICE_CONTROL_INTERROGATE ? NO_ERROR : ERROR_SERVICE_CANNOT_ACCEPT_CTRL;
    return watch->Control(control, eventType, eventData);
}

void WINAPI ServiceMain(DWORD argc, LPSTR* argv) {
    const SERVICE_STATUS_HANDLE handle =
        RegisterServiceCtrlHandlerExA(dormix::watch_win32::ServiceName, Handler, nullptr);
    if (!handle) return;
    status.Attach(handle);
    status.StartPending();
    std::vector<std::string> arguments = imageArguments;
    for (DWORD i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);  // argv[0]: the name
    try {
        static WatchService watch(status, arguments);
        service = &watch;
        watch.Run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "DormixWatch: %s\n", e.what());
        status.Stopped(1);
    }
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) imageArguments.emplace_back(argv[i]);
    char name[] = "DormixLiteWatch";
    SERVICE_TABLE_ENTRYA table[] = {{name, ServiceMain}, {nullptr, nullptr}};
    if (StartServiceCtrlDispatcherA(table)) return 0;
    if (GetLastError() == ERROR_FAILED_SERVICE_CONTROLLER_CONNECT)
        std::fprintf(stderr, "%.*s\n", int(dormix::watch_win32::NotAService.size()),
                     dormix::watch_win32::NotAService.data());
    else
        std::fprintf(stderr, "DormixWatch: the service manager refused the service (error %lu).\n",
                     GetLastError());
    return 1;
}
