#pragma once

#include <string_view>

namespace dormix::monitor {

// A source that can only tell that the user did something, not what: a
// compositor's idle notifications, a desktop's idle-time service, the
// system's own last-input time. The sampler asks it once a sample.
class ActivitySource {
  public:
    virtual ~ActivitySource() = default;
    // True when a key or the pointer was used since the previous call. A
    // source that cannot tell this time answers true: a moment's failure
    // must never let a machine in use count as idle.
    virtual bool ActiveSinceLastSample() = 0;
    // Whether that last answer was such a "cannot tell".
    virtual bool LastAnswerFailed() const = 0;
    // What the source asks, for messages: "org.gnome.Mutter.IdleMonitor".
    virtual std::string_view Name() const = 0;
};

}  // namespace dormix::monitor
