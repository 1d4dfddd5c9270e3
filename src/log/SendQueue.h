#pragma once
// Hands copies for the system's log to a thread of their own, so that a log
// service that stops reading (journald stopped or flooded, a stuck Windows
// event-log service) never holds up the window's thread: a call waits for
// its copy to go out, but at most `longestWait`, and not at all while an
// earlier copy is still stuck; copies beyond a small backlog are dropped.

#include <chrono>
#include <functional>
#include <memory>

namespace dormix::log {

class SendQueue {
  public:
    static constexpr std::size_t Backlog = 32;
    static constexpr std::chrono::milliseconds LongestWait{250};

    explicit SendQueue(std::chrono::milliseconds longestWait = LongestWait);
    // A sender stuck in the system's call is left behind, with the state it
    // shares, rather than waited for.
    ~SendQueue();
    SendQueue(const SendQueue&) = delete;
    SendQueue& operator=(const SendQueue&) = delete;

    // Never throws; a copy that cannot be queued is dropped.
    void Hand(std::function<void()> send) noexcept;

    struct Channel;

  private:
    std::shared_ptr<Channel> channel_;
    std::chrono::milliseconds longestWait_;
};

}  // namespace dormix::log
