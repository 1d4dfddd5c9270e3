#pragma once
// The tray program's copies in the users' sessions, for the watch that keeps
// them running: the session manager's active sessions, the processes named
// DormixL.exe in each, and a new copy started in one as its user.

#include <filesystem>

#include "watch/TrayKeeper.h"

namespace dormix::watch_win32 {

class WtsSessionCopies final : public watch::SessionCopies {
  public:
    // `program`: the tray program, beside the watch.
    explicit WtsSessionCopies(std::filesystem::path program) : program_(std::move(program)) {}

    std::optional<std::vector<watch::UserSession>> ActiveSessions() override;
    std::string StartCopy(std::uint32_t id) override;

  private:
    std::filesystem::path program_;
};

}  // namespace dormix::watch_win32
