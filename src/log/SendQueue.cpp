#include "log/SendQueue.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

namespace dormix::log {

struct SendQueue::Channel {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::function<void()>> pending;
    std::uint64_t queued = 0, sent = 0;
    bool stop = false;
    std::thread sender;
};

namespace {

void SendLoop(std::shared_ptr<SendQueue::Channel> c) {
    std::unique_lock lock(c->mutex);
    for (;;) {
        c->changed.wait(lock, [&] { return c->stop || !c->pending.empty(); });
        if (c->pending.empty()) return;
        std::function<void()> send = std::move(c->pending.front());
        c->pending.pop_front();
        lock.unlock();
        try {
            send();
        } catch (...) {
            // The text log is the record; a copy that fails is dropped.
        }
        lock.lock();
        ++c->sent;
        c->changed.notify_all();
    }
}

}  // namespace

SendQueue::SendQueue(std::chrono::milliseconds longestWait)
    : channel_(std::make_shared<Channel>()), longestWait_(longestWait) {
    try {
        channel_->sender = std::thread(SendLoop, channel_);
    } catch (const std::system_error&) {
        channel_->stop = true;  // no thread, no copies; the text log goes on
    }
}

SendQueue::~SendQueue() {
    std::unique_lock lock(channel_->mutex);
    channel_->stop = true;
    channel_->changed.notify_all();
    const bool stuck = channel_->sent != channel_->queued;
    lock.unlock();
    if (!channel_->sender.joinable()) return;
    if (stuck)
        channel_->sender.detach();
    else
        channel_->sender.join();
}

void SendQueue::Hand(std::function<void()> send) noexcept {
    try {
        Channel& c = *channel_;
        std::unique_lock lock(c.mutex);
        const bool senderFree = c.sent == c.queued;
        if (c.stop || c.pending.size() >= Backlog) return;
        c.pending.push_back(std::move(send));
        const std::uint64_t mine = ++c.queued;
        c.changed.notify_all();
        if (senderFree) c.changed.wait_for(lock, longestWait_, [&] { return c.sent >= mine; });
    } catch (...) {
        // The text log is the record; a copy that cannot be made is dropped.
    }
}

}  // namespace dormix::log
