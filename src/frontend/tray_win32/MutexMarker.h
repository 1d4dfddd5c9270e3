#pragma once
// The running-copy marker on Windows: a named mutex, released by the system
// when the process that holds it ends.

#include "app/InstanceMarker.h"

namespace dormix::app {

class MutexMarker final : public InstanceMarker {
  public:
    Created Create(std::string_view name, bool initialOwner) override;
    void Close(MarkerHandle handle) override;
};

}  // namespace dormix::app
