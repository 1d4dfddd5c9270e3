#pragma once
// The running-copy marker on Linux: an exclusive flock on a file named after
// the marker in the user's runtime directory. The kernel drops the lock when
// the process dies, however it dies, so a crashed copy never blocks the next.

#include <filesystem>
#include <string>

#include "app/InstanceMarker.h"

namespace dormix::linux_app {

class FlockMarker final : public app::InstanceMarker {
  public:
    // `directory` empty: $XDG_RUNTIME_DIR, or a private folder under /tmp.
    explicit FlockMarker(std::filesystem::path directory = {});
    Created Create(std::string_view name, bool initialOwner) override;
    void Close(app::MarkerHandle handle) override;

    const std::filesystem::path& Directory() const { return directory_; }

  private:
    std::filesystem::path directory_;
};

// $XDG_RUNTIME_DIR when it is a folder; otherwise /tmp/dormix-<uid>, created
// for this user alone (empty when that cannot be made safely).
std::filesystem::path MarkerDirectory();

}  // namespace dormix::linux_app
