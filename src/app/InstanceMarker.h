#pragma once

#include <cstdint>
#include <string_view>

namespace dormix::app {

using MarkerHandle = std::uintptr_t;

// A system-wide named marker of a running copy that vanishes with the process
// that holds it (a named mutex, a locked file).
class InstanceMarker {
  public:
    virtual ~InstanceMarker() = default;
    struct Created {
        MarkerHandle handle = 0;     // 0: the call failed
        bool alreadyExists = false;  // another holder has it
    };
    virtual Created Create(std::string_view name, bool initialOwner) = 0;
    virtual void Close(MarkerHandle handle) = 0;
};

}  // namespace dormix::app
