#pragma once
// The running-copy marker on Linux: an exclusive flock on a file named after
// the marker in the user's runtime directory. The kernel drops the lock when
// the process dies, however it dies, so a crashed copy never blocks the next.

#include <filesystem>
#include <string>

#include "app/InstanceMarker.h"

namespace dormix::tray_qt {

class FlockMarker final : public app::InstanceMarker {
  public:
    // `directory` empty: MarkerDirectory().
    explicit FlockMarker(std::filesystem::path directory = {});
    Created Create(std::string_view name, bool initialOwner) override;
    void Close(app::MarkerHandle handle) override;

    const std::filesystem::path& Directory() const { return directory_; }

  private:
    std::filesystem::path directory_;
};

// $XDG_RUNTIME_DIR when it is this user's private folder; otherwise
// dormix/ in $XDG_STATE_HOME or ~/.local/state, created for this user alone.
// Empty when neither is safe: the caller must then refuse to start.
std::filesystem::path MarkerDirectory();

}  // namespace dormix::tray_qt
