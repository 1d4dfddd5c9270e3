#include "frontend/tray_qt/FlockMarker.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace dormix::tray_qt {
namespace fs = std::filesystem;

namespace {

// A folder only this user may enter: a real folder (no link), ours, closed
// to group and others. Anything else may be another user's squat.
bool IsPrivate(const fs::path& dir) {
    struct stat st {};
    return ::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & 077) == 0;
}

fs::path StateHome() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/') return state;
    const char* home = std::getenv("HOME");
    if (!home || *home != '/') {
        const passwd* entry = ::getpwuid(::getuid());
        home = entry ? entry->pw_dir : nullptr;
    }
    if (!home || *home != '/') return {};
    return fs::path(home) / ".local" / "state";
}

}  // namespace

fs::path MarkerDirectory() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/') {
        if (IsPrivate(runtime)) return runtime;
    }
    // No runtime folder: one in the user's own home, which no other user can
    // create first, checked all the same.
    const fs::path state = StateHome();
    if (state.empty()) return {};
    std::error_code ec;
    fs::create_directories(state, ec);
    const fs::path dir = state / "dormix";
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return {};
    return IsPrivate(dir) ? dir : fs::path();
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

}  // namespace dormix::tray_qt
