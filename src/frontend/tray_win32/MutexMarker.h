#pragma once
// The running-copy marker on Windows: a named mutex, released by the system
// when the process that holds it ends.

#include "app/InstanceMarker.h"

namespace dormix::tray_win32 {

class MutexMarker final : public app::InstanceMarker {
  public:
    Created Create(std::string_view name, bool initialOwner) override;
    void Close(app::MarkerHandle handle) override;
};

}  // namespace dormix::tray_win32
