#include "log/FileSystemLogFiles.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

namespace dormix::log {
namespace fs = std::filesystem;

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

bool LockWithin(int fd) {
    const auto end = std::chrono::steady_clock::now() + LockPatience;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) return false;
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(LockRetry);
    }
    return true;
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

void FileSystemLogFiles::CreateTextFile(const fs::path& path) {
    // Only where nothing is: a dangling link's target is never created, and
    // a file another copy has just begun is never emptied.
    Descriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (fd.get() < 0) Throw("cannot create", path, errno);
    if (::close(fd.release()) != 0) Throw("cannot close", path, errno);
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
    if (!S_ISREG(st.st_mode)) throw LogFileMissing(path.string());

    // Every copy appends under this lock, so between our write and a
    // roll-back no other copy's line can land after ours.
    if (!LockWithin(fd.get())) Throw("cannot lock", path, EWOULDBLOCK);
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

}  // namespace dormix::log
