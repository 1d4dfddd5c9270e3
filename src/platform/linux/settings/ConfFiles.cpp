#include "platform/linux/settings/ConfFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace dormix::linux_settings {

namespace {

// More than any real configuration; a bigger file is a mistake, not settings.
constexpr off_t LargestFile = 64 * 1024;

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

// Whoever may change a file or its folder chooses when everybody's machine
// switches off: root alone may. Empty when it is so.
std::string Untrusted(const struct stat& st) {
    if (st.st_uid != 0) return "not owned by root";
    if (st.st_mode & S_IWOTH) return "writable by others";
    if ((st.st_mode & S_IWGRP) && st.st_gid != 0) return "writable by its group";
    return {};
}

void ReadFile(const std::string& path, settings::Reading& into) {
    auto passOver = [&](const std::string& why) {
        into.problems.push_back(path + ": " + why + "; ignored.");
    };
    // O_NONBLOCK: a FIFO named like a drop-in must not hold the start up.
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        struct stat link {};
        // Missing is no settings; a link to nowhere is a file an administrator meant.
        if (errno != ENOENT || ::lstat(path.c_str(), &link) == 0)
            passOver(std::string("cannot be read: ") + std::strerror(errno));
        return;
    }
    // The opened file's own status: a file swapped after a check by name
    // would slip through.
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return passOver(std::strerror(errno));
    if (!S_ISREG(st.st_mode)) return passOver("not a regular file");
    if (const std::string why = Untrusted(st); !why.empty()) return passOver(why);
    if (st.st_size > LargestFile) return passOver("larger than 64 KiB");
    std::string text(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t got = 0;
    while (got < text.size()) {
        const ssize_t n = ::read(fd.get(), text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return passOver(std::string("cannot be read: ") + std::strerror(errno));
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    text.resize(got);
    settings::ParseConfText(text, path, into);
}

// The drop-ins' names in byte order, the order packages and tools expect.
std::vector<std::string> DropIns(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return names;
    while (const dirent* e = ::readdir(dir)) {
        const std::string_view name = e->d_name;
        if (name.size() > 5 && name.ends_with(".conf") && name[0] != '.') names.emplace_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

// A folder others may change: its files could be renamed away or planted.
// Nothing in it is read, and each file passed over is named.
bool TrustedFolder(const std::string& folder, const std::vector<std::string>& paths,
                   settings::Reading& into) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) return false;
    const std::string why = Untrusted(st);
    if (why.empty()) return true;
    into.problems.push_back(folder + ": " + why + "; nothing in it is read.");
    for (const std::string& path : paths)
        into.problems.push_back(path + ": in a folder others may change; ignored.");
    return false;
}

}  // namespace

ConfFiles::ConfFiles(std::string directory) : directory_(std::move(directory)) {}

settings::Reading ConfFiles::Read() {
    settings::Reading reading;
    struct stat st {};
    reading.placeExists = ::stat(directory_.c_str(), &st) == 0;
    if (!reading.placeExists) return reading;
    const std::string mainFile = directory_ + "/dormix-lite.conf", folder = directory_ + "/conf.d";
    std::vector<std::string> dropIns;
    for (const std::string& name : DropIns(folder)) dropIns.push_back(folder + "/" + name);
    std::vector<std::string> all = dropIns;
    if (::lstat(mainFile.c_str(), &st) == 0) all.insert(all.begin(), mainFile);
    if (!TrustedFolder(directory_, all, reading)) return reading;
    ReadFile(mainFile, reading);
    if (TrustedFolder(folder, dropIns, reading))
        for (const std::string& path : dropIns) ReadFile(path, reading);
    return reading;
}

}  // namespace dormix::linux_settings
