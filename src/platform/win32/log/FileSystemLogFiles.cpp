#include "platform/win32/log/FileSystemLogFiles.h"

#include <windows.h>

#include <string>
#include <system_error>

namespace dormix::win32_log {
namespace fs = std::filesystem;
using log::LogFileMissing;

namespace {

// Another copy holds the lock only for one write; anything longer is a
// stuck or hostile holder, and the user-interface thread must not wait on it.
constexpr DWORD LockPatienceMs = 2000;
constexpr DWORD LockRetryMs = 5;
// Byte-range locks on Windows are mandatory: the lock sits far beyond any
// log's end, so readers of the log never meet it.
constexpr DWORD LockOffsetHigh = 0x40000000;

[[noreturn]] void Throw(const char* what, const fs::path& path, DWORD error) {
    throw fs::filesystem_error(what, path, std::error_code(int(error), std::system_category()));
}

class Handle {
  public:
    explicit Handle(HANDLE h) : h_(h) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() {
        if (valid()) ::CloseHandle(h_);
    }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h_; }
    bool close() {
        const bool ok = ::CloseHandle(h_) != 0;
        h_ = INVALID_HANDLE_VALUE;
        return ok;
    }

  private:
    HANDLE h_;
};

constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Appending only: without FILE_WRITE_DATA every write lands at the end of
// the file in one step, whatever other copies write at the same moment.
// Reading is asked for because LockFileEx needs it; the shared Log folder
// grants both and nothing more.
Handle OpenForAppend(const fs::path& path) {
    return Handle(::CreateFileW(path.wstring().c_str(), FILE_GENERIC_READ | FILE_APPEND_DATA,
                                ShareAll, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

bool IsPlainFile(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES &&
           !(attributes &
             (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE));
}

bool LockWithin(HANDLE file, OVERLAPPED& range, ULONGLONG end) {
    while (
        !::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &range)) {
        if (::GetLastError() != ERROR_LOCK_VIOLATION || ::GetTickCount64() >= end) return false;
        ::Sleep(LockRetryMs);
    }
    return true;
}

// Cuts the file back to `size`. Needs write access, which an ordinary user
// of the shared Log folder lacks; NTFS refuses an extending write whole, so
// there it has nothing to take back.
void TruncateTo(const fs::path& path, LONGLONG size) {
    Handle file(::CreateFileW(path.wstring().c_str(), FILE_WRITE_DATA, ShareAll, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.valid()) return;
    LARGE_INTEGER at{};
    at.QuadPart = size;
    if (::SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN)) ::SetEndOfFile(file.get());
}

}  // namespace

bool FileSystemLogFiles::FolderExists(const fs::path& path) {
    const DWORD attributes = ::GetFileAttributesW(path.wstring().c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return attributes & FILE_ATTRIBUTE_DIRECTORY;
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return false;
    // A refused look-up is reported as a failure to reach the log.
    Throw("cannot inspect", path, error);
}

bool FileSystemLogFiles::FileExists(const fs::path& path) {
    // A link or junction is not the log: our entries would land in whatever
    // it points at.
    return IsPlainFile(::GetFileAttributesW(path.wstring().c_str()));
}

bool FileSystemLogFiles::CreateWithHeader(const fs::path& path, std::string_view header) {
    // Only where nothing is: a file another copy has just begun is never
    // emptied. Copies that open it before the header is in find it empty
    // and wait for it.
    Handle file(::CreateFileW(path.wstring().c_str(), FILE_GENERIC_READ | FILE_APPEND_DATA,
                              ShareAll, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.valid()) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_EXISTS && FileExists(path)) return false;
        Throw("cannot create", path, error);
    }
    OVERLAPPED range{};
    range.OffsetHigh = LockOffsetHigh;
    const bool locked = LockWithin(file.get(), range, ::GetTickCount64() + LockPatienceMs);
    std::string line(header);
    line += "\r\n";
    DWORD written = 0;
    const bool ok = ::WriteFile(file.get(), line.data(), DWORD(line.size()), &written, nullptr) &&
                    written == line.size();
    const DWORD error = ok ? ERROR_SUCCESS : ::GetLastError();
    if (locked) ::UnlockFileEx(file.get(), 0, 1, 0, &range);
    if (!ok) {
        // Nobody else writes to a file without its header: all of it is ours.
        file.close();
        ::DeleteFileW(path.wstring().c_str());
        Throw("cannot write", path, error == ERROR_SUCCESS ? ERROR_DISK_FULL : error);
    }
    if (!file.close()) Throw("cannot close", path, ::GetLastError());
    return true;
}

void FileSystemLogFiles::AppendLine(const fs::path& path, std::string_view text) {
    Handle file = OpenForAppend(path);  // never creates
    if (!file.valid()) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
            (error == ERROR_ACCESS_DENIED &&
             !IsPlainFile(::GetFileAttributesW(path.wstring().c_str()))))
            throw LogFileMissing(path.string());
        Throw("cannot open", path, error);
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileType(file.get()) != FILE_TYPE_DISK ||
        !::GetFileInformationByHandle(file.get(), &info) || !IsPlainFile(info.dwFileAttributes))
        throw LogFileMissing(path.string());
    // A second name for the file, a hard link made before the first start or
    // into a folder of someone's own, would let whoever made it read, rewrite
    // or empty the record through that name: a file with more than one name
    // is not the log.
    if (info.nNumberOfLinks > 1) throw LogFileMissing(path.string());

    // Every copy appends under this lock, so between our write and a
    // roll-back no other copy's line can land after ours.
    OVERLAPPED range{};
    range.OffsetHigh = LockOffsetHigh;
    const ULONGLONG end = ::GetTickCount64() + LockPatienceMs;
    LARGE_INTEGER before{};
    for (;;) {
        if (!LockWithin(file.get(), range, end)) Throw("cannot lock", path, ERROR_LOCK_VIOLATION);
        ::GetFileSizeEx(file.get(), &before);
        if (before.QuadPart > 0) break;
        // Empty: the copy that created it is about to write its header.
        ::UnlockFileEx(file.get(), 0, 1, 0, &range);
        if (::GetTickCount64() >= end) throw LogFileMissing(path.string());
        ::Sleep(LockRetryMs);
    }
    std::string line(text);
    line += "\r\n";
    DWORD written = 0;
    const bool ok = ::WriteFile(file.get(), line.data(), DWORD(line.size()), &written, nullptr) &&
                    written == line.size();
    const DWORD error = ok ? ERROR_SUCCESS : ::GetLastError();
    if (!ok) {
        // Part of the line reached the file: take back exactly our bytes,
        // and only when nothing follows them.
        LARGE_INTEGER after{};
        if (written > 0 && ::GetFileSizeEx(file.get(), &after) &&
            after.QuadPart == before.QuadPart + LONGLONG(written))
            TruncateTo(path, before.QuadPart);
    }
    ::UnlockFileEx(file.get(), 0, 1, 0, &range);
    if (!ok) Throw("cannot write", path, error == ERROR_SUCCESS ? ERROR_DISK_FULL : error);
    if (!file.close()) Throw("cannot close", path, ::GetLastError());
}

}  // namespace dormix::win32_log
