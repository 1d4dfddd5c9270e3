#include "app/linux/FlockMarker.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace dormix::linux_app {
namespace fs = std::filesystem;

fs::path MarkerDirectory() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        std::error_code ec;
        if (fs::is_directory(runtime, ec)) return runtime;
    }
    // /tmp is shared: the folder must be ours and nobody else's, or another
    // user could pre-create it and hold our marker.
    const fs::path dir = "/tmp/dormix-" + std::to_string(::getuid());
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return {};
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() ||
        (st.st_mode & 077) != 0)
        return {};
    return dir;
}

FlockMarker::FlockMarker(fs::path directory)
    : directory_(directory.empty() ? MarkerDirectory() : std::move(directory)) {}

app::InstanceMarker::Created FlockMarker::Create(std::string_view name, bool /*initialOwner*/) {
    // Every open is its own lock holder, so a second Create in this process
    // sees the first one's lock as "already exists", as a second open of a
    // named mutex does.
    if (directory_.empty()) return {};
    const fs::path path = directory_ / std::string(name);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return {};
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return {app::MarkerHandle(fd) + 1, false};
    if (errno == EWOULDBLOCK) return {app::MarkerHandle(fd) + 1, true};
    ::close(fd);
    return {};
}

void FlockMarker::Close(app::MarkerHandle handle) {
    // Handles are descriptors plus one, so that 0 stays "no handle".
    if (handle != 0) ::close(int(handle - 1));
}

}  // namespace dormix::linux_app
