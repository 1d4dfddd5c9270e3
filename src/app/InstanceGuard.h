#pragma once
// mdMult: one running copy at a time, unless "-AllowMulti" ends the argument text.

#include <string>
#include <string_view>

#include "app/InstanceMarker.h"

namespace dormix::app {

class InstanceGuard {
  public:
    explicit InstanceGuard(InstanceMarker& marker);

    bool InstanceAlreadyRunning(std::string_view name);
    // The whole decision: true when this copy may load its main window.
    bool MayStart(std::string_view argumentText);

    MarkerHandle GuardHandle() const { return guard_; }

  private:
    InstanceMarker& marker_;
    MarkerHandle guard_ = 0;
};

// Caption and text of the notice window a second copy shows.
std::string NoticeCaption();
std::string NoticeText();

}  // namespace dormix::app
