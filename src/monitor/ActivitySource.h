#pragma once

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
};

}  // namespace dormix::monitor
