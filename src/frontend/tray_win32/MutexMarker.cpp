#include "frontend/tray_win32/MutexMarker.h"

#include <string>

#include "platform/win32/WinApi.h"

namespace dormix::tray_win32 {

app::InstanceMarker::Created MutexMarker::Create(std::string_view name, bool initialOwner) {
    HANDLE h = CreateMutexA(nullptr, initialOwner, std::string(name).c_str());
    // Read before anything else can overwrite the thread's last error.
    const DWORD error = GetLastError();
    return {reinterpret_cast<app::MarkerHandle>(h), error == ERROR_ALREADY_EXISTS};
}

void MutexMarker::Close(app::MarkerHandle handle) {
    if (handle) CloseHandle(reinterpret_cast<HANDLE>(handle));
}

}  // namespace dormix::tray_win32
