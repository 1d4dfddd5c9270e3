#include "platform/linux/log/FileSystemLogFiles.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

namespace dormix::linux_log {
namespace fs = std::filesystem;
using log::LogFileMissing;

namespace {

// Another copy holds the lock only for one write; anything longer is a
// stuck or hostile holder, and the user-interface thread must not wait on
// it: a signal that arrives meanwhile still ends the program within a second.
constexpr auto LockPatience = std::chrono::milliseconds(900);
constexpr auto LockRetry = std::chrono::milliseconds(5);

[[noreturn]] void Throw(const char* what, const fs::path& path, int error = EIO) {
    throw fs::filesystem_error(what, path, std::error_code(error, std::generic_category()));
}

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

  private:
    int fd_;
};

enum class Locking { Held, Impossible, Refused };

// Tries until `end`. "Impossible" is a file system that has no locks:
// NFS without a lock manager, some FUSE file systems.
Locking LockBefore(int fd, std::chrono::steady_clock::time_point end, int& error) {
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        error = errno;
        if (error == ENOLCK || error == EOPNOTSUPP || error == ENOTSUP || error == ENOSYS ||
            error == EINVAL)
            return Locking::Impossible;
        if (error != EWOULDBLOCK && error != EINTR) return Locking::Refused;
        if (std::chrono::steady_clock::now() >= end) return Locking::Refused;
        std::this_thread::sleep_for(LockRetry);
    }
    return Locking::Held;
}

// Writes all of `line` at the end of the file; returns the offset where this
// call's bytes begin and how many of them reached the file.
struct Written {
    off_t start = -1;
    std::size_t count = 0;
};
Written WriteAtEnd(int fd, std::string_view line, int& error) {
    Written done;
    while (done.count < line.size()) {
        const ssize_t n = ::write(fd, line.data() + done.count, line.size() - done.count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? errno : ENOSPC;
            break;
        }
        // O_APPEND placed these bytes at the end; the offset now follows them.
        const off_t after = ::lseek(fd, 0, SEEK_CUR);
        if (done.count == 0) done.start = after - off_t(n);
        done.count += std::size_t(n);
    }
    return done;
}

}  // namespace

bool FileSystemLogFiles::FolderExists(const fs::path& path) {
    // A refused look-up throws, and is reported as a failure to reach the log.
    return fs::is_directory(fs::status(path));
}

bool FileSystemLogFiles::FileExists(const fs::path& path) {
    // A link, even to a plain file, is not the log: our entries would land
    // in whatever it points at.
    return fs::is_regular_file(fs::symlink_status(path));
}

bool FileSystemLogFiles::CreateWithHeader(const fs::path& path, std::string_view header) {
    // Only where nothing is: a dangling link's target is never created, and
    // a file another copy has just begun is never emptied. Copies that open
    // it before the header is in find it empty and wait for it.
    Descriptor fd(::open(path.c_str(),
                         O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (fd.get() < 0) {
        const int error = errno;
        if (error == EEXIST && FileExists(path)) return false;
        Throw("cannot create", path, error);
    }
    int error = 0;
    if (LockBefore(fd.get(), std::chrono::steady_clock::now() + LockPatience, error) ==
        Locking::Impossible)
        WarnOnce(std::strerror(error));
    std::string line(header);
    line += "\r\n";
    if (WriteAtEnd(fd.get(), line, error).count != line.size()) {
        // Nobody else writes to a file without its header: all of it is ours.
        ::unlink(path.c_str());
        Throw("cannot write", path, error);
    }
    if (::close(fd.release()) != 0) Throw("cannot close", path, errno);
    return true;
}

void FileSystemLogFiles::AppendLine(const fs::path& path, std::string_view text) {
    // No O_CREAT: a file removed since the check stays removed. O_NONBLOCK:
    // a pipe put in its place cannot hold the open forever.
    Descriptor fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) {
        const int error = errno;
        // ELOOP: a link; ENXIO: a pipe nobody reads; EISDIR: a folder.
        if (error == ENOENT || error == ELOOP || error == ENXIO || error == EISDIR ||
            error == ENOTDIR)
            throw LogFileMissing(path.string());
        Throw("cannot open", path, error);
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) Throw("cannot inspect", path, errno);
    // A second name for the file (a hard link someone made to a file of
    // theirs, or of ours) would let our entries land where it leads.
    if (!S_ISREG(st.st_mode) || st.st_nlink > 1) throw LogFileMissing(path.string());

    // Every copy appends under this lock, so between our write and a
    // roll-back no other copy's line can land after ours. A file system
    // without locks gets the lines unlocked rather than none at all.
    const auto end = std::chrono::steady_clock::now() + LockPatience;
    for (int error = 0;;) {
        const Locking lock = LockBefore(fd.get(), end, error);
        if (lock == Locking::Refused) Throw("cannot lock", path, EWOULDBLOCK);
        if (lock == Locking::Impossible) WarnOnce(std::strerror(error));
        if (::fstat(fd.get(), &st) != 0) Throw("cannot inspect", path, errno);
        if (st.st_size > 0) break;
        // Empty: the copy that created it is about to write its header.
        if (lock == Locking::Held) ::flock(fd.get(), LOCK_UN);
        if (std::chrono::steady_clock::now() >= end) throw LogFileMissing(path.string());
        std::this_thread::sleep_for(LockRetry);
    }
    std::string line(text);
    line += "\r\n";
    int error = 0;
    const Written done = WriteAtEnd(fd.get(), line, error);
    if (done.count == line.size()) {
        if (::close(fd.release()) != 0) Throw("cannot close", path, errno);
        return;
    }
    // A full disk or a file-size limit took part of the line: take back
    // exactly our bytes, and only when nothing follows them.
    if (done.count > 0 && ::fstat(fd.get(), &st) == 0 &&
        st.st_size == done.start + off_t(done.count)) {
        [[maybe_unused]] const int ignored = ::ftruncate(fd.get(), done.start);
    }
    Throw("cannot write", path, error);
}

}  // namespace dormix::linux_log
