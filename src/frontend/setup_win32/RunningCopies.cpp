#include "frontend/setup_win32/RunningCopies.h"

#include <tlhelp32.h>

#include <vector>

namespace dormix::setup_win32 {

namespace {

constexpr DWORD AskedPatienceMs = 5000;
constexpr DWORD ForcedPatienceMs = 5000;
constexpr UINT MessagePatienceMs = 2000;
// The tray program's main window class.
constexpr wchar_t MainClass[] = L"DormixMain";

struct Copy {
    DWORD pid;
    HANDLE process;
};

std::wstring FileName(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), int(a.size()), b.c_str(), int(b.size()), TRUE) ==
           CSTR_EQUAL;
}

std::vector<Copy> FindCopies(const std::wstring& exePath) {
    std::vector<Copy> copies;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return copies;
    const std::wstring name = FileName(exePath);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        if (!SamePath(entry.szExeFile, name) && !SamePath(FileName(entry.szExeFile), name))
            continue;
        HANDLE process =
            OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE | PROCESS_TERMINATE, FALSE,
                        entry.th32ProcessID);
        if (!process) continue;
        wchar_t image[MAX_PATH * 2];
        DWORD size = MAX_PATH * 2;
        if (QueryFullProcessImageNameW(process, 0, image, &size) &&
            SamePath(std::wstring(image, size), exePath))
            copies.push_back({entry.th32ProcessID, process});
        else
            CloseHandle(process);
    }
    CloseHandle(snapshot);
    return copies;
}

// Tells the main window of the copy `pid` that the session ends, if this
// process can see it.
BOOL CALLBACK TellSessionEnds(HWND window, LPARAM pid) {
    DWORD owner = 0;
    wchar_t cls[32] = L"";
    GetWindowThreadProcessId(window, &owner);
    if (owner != DWORD(pid) || !GetClassNameW(window, cls, 32) || lstrcmpW(cls, MainClass) != 0)
        return TRUE;
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP, SMTO_ABORTIFHUNG,
                        MessagePatienceMs, &answer);
    SendMessageTimeoutW(window, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP, SMTO_ABORTIFHUNG,
                        MessagePatienceMs, &answer);
    return TRUE;
}

bool Ended(const Copy& copy, DWORD patienceMs) {
    return WaitForSingleObject(copy.process, patienceMs) == WAIT_OBJECT_0;
}

}  // namespace

int EndRunningCopies(const std::wstring& exePath, std::wstring& why) {
    std::vector<Copy> copies = FindCopies(exePath);
    for (const Copy& copy : copies) EnumWindows(TellSessionEnds, LPARAM(copy.pid));
    const DWORD asked = GetTickCount();
    for (const Copy& copy : copies) {
        const DWORD spent = GetTickCount() - asked;
        if (Ended(copy, spent < AskedPatienceMs ? AskedPatienceMs - spent : 0)) continue;
        TerminateProcess(copy.process, 1);
        if (!Ended(copy, ForcedPatienceMs))
            why += (why.empty() ? L"" : L", ") + std::to_wstring(copy.pid);
    }
    for (const Copy& copy : copies) CloseHandle(copy.process);
    return int(copies.size());
}

long RunHidden(const std::wstring& commandLine, DWORD patienceMs) {
    std::wstring line = commandLine;  // CreateProcessW may write to it
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &info))
        return -1;
    CloseHandle(info.hThread);
    long code = -1;
    DWORD exit = 0;
    if (WaitForSingleObject(info.hProcess, patienceMs) == WAIT_OBJECT_0 &&
        GetExitCodeProcess(info.hProcess, &exit))
        code = long(exit);
    else
        TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hProcess);
    return code;
}

}  // namespace dormix::setup_win32
