#include "settings/linux/ConfFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace dormix::settings_linux {

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

void ReadFile(const std::string& path, bool mayBeMissing, settings::Reading& into) {
    auto passOver = [&](const std::string& why) {
        into.problems.push_back(path + ": " + why + "; ignored.");
    };
    // O_NONBLOCK: a FIFO named like a drop-in must not hold the start up.
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        if (!(mayBeMissing && errno == ENOENT))
            passOver(std::string("cannot be read: ") + std::strerror(errno));
        return;
    }
    // The opened file's own status: a file swapped after a check by name
    // would slip through.
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return passOver(std::strerror(errno));
    if (!S_ISREG(st.st_mode)) return passOver("not a regular file");
    if (st.st_uid != 0) return passOver("not owned by root");
    if (st.st_mode & S_IWOTH) return passOver("writable by others");
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

}  // namespace

ConfFiles::ConfFiles(std::string directory) : directory_(std::move(directory)) {}

settings::Reading ConfFiles::Read() {
    settings::Reading reading;
    ReadFile(directory_ + "/dormix-lite.conf", true, reading);
    const std::string folder = directory_ + "/conf.d";
    for (const std::string& name : DropIns(folder)) ReadFile(folder + "/" + name, true, reading);
    return reading;
}

}  // namespace dormix::settings_linux
