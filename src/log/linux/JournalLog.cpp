#include "log/linux/JournalLog.h"

#include <sys/uio.h>
#include <systemd/sd-journal.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "ui/Texts.h"

namespace dormix::log_linux {

using Fields = std::vector<std::string>;

struct JournalLog::Channel {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Fields> pending;
    std::uint64_t queued = 0, sent = 0;
    bool stop = false;
    std::thread sender;
};

namespace {

constexpr std::size_t Backlog = 32;
constexpr auto LongestWait = std::chrono::milliseconds(250);

void SendLoop(std::shared_ptr<JournalLog::Channel> c) {
    std::unique_lock lock(c->mutex);
    for (;;) {
        c->changed.wait(lock, [&] { return c->stop || !c->pending.empty(); });
        if (c->pending.empty()) return;
        Fields fields = std::move(c->pending.front());
        c->pending.pop_front();
        lock.unlock();
        std::vector<iovec> parts;
        parts.reserve(fields.size());
        for (auto& f : fields) parts.push_back({f.data(), f.size()});
        sd_journal_sendv(parts.data(), int(parts.size()));  // its result tells nothing useful
        lock.lock();
        ++c->sent;
        c->changed.notify_all();
    }
}

void Hand(JournalLog::Channel& c, Fields fields) noexcept {
    try {
        std::unique_lock lock(c.mutex);
        const bool senderFree = c.sent == c.queued;
        if (c.stop || c.pending.size() >= Backlog) return;
        c.pending.push_back(std::move(fields));
        const std::uint64_t mine = ++c.queued;
        c.changed.notify_all();
        if (senderFree) c.changed.wait_for(lock, LongestWait, [&] { return c.sent >= mine; });
    } catch (...) {
        // The text log is the record; a copy that cannot be made is dropped.
    }
}

std::string Field(std::string_view name, std::string_view value) {
    std::string f(name);
    f += '=';
    f += value;
    return f;
}

Fields Common(log::SystemEvent event, std::string message) {
    return {Field("MESSAGE", message), Field("PRIORITY", log::IsWarning(event) ? "4" : "6"),
            Field("SYSLOG_IDENTIFIER", text::ExeBaseName),
            Field("DORMIX_EVENT_ID", std::to_string(static_cast<int>(event))),
            Field("DORMIX_VERSION", log::ProgramVersion())};
}

}  // namespace

JournalLog::JournalLog() : channel_(std::make_shared<Channel>()) {
    try {
        channel_->sender = std::thread(SendLoop, channel_);
    } catch (const std::system_error&) {
        channel_->stop = true;  // no thread, no copies; the text log goes on
    }
}

JournalLog::~JournalLog() {
    std::unique_lock lock(channel_->mutex);
    channel_->stop = true;
    channel_->changed.notify_all();
    // A sender stuck in the journal's socket is left behind; the shared
    // channel outlives this object.
    const bool stuck = channel_->sent != channel_->queued;
    lock.unlock();
    if (!channel_->sender.joinable()) return;
    if (stuck)
        channel_->sender.detach();
    else
        channel_->sender.join();
}

void JournalLog::Entry(const log::SystemLogEntry& e) noexcept {
    try {
        Fields fields = Common(e.event, std::string(e.line));
        fields.push_back(Field("DORMIX_ACTION", e.action));
        fields.push_back(Field("DORMIX_DETAIL", e.detail));
        fields.push_back(Field("DORMIX_COUNT", std::to_string(e.count)));
        fields.push_back(Field("DORMIX_PHASE", e.phase));
        fields.push_back(Field("DORMIX_TEST_MODE", e.testMode ? "1" : "0"));
        fields.push_back(Field("DORMIX_INHIBIT_SHUTDOWN", e.inhibitShutdown ? "1" : "0"));
        Hand(*channel_, std::move(fields));
    } catch (...) {
    }
}

void JournalLog::Failure(const log::SystemLogFailure& f) noexcept {
    try {
        // The box's lines end in CR LF; the journal's lines in LF.
        std::string message(f.title);
        message += '\n';
        for (char ch : f.text)
            if (ch != '\r') message += ch;
        Fields fields = Common(f.event, std::move(message));
        fields.push_back(Field("DORMIX_TITLE", f.title));
        fields.push_back(Field("DORMIX_ERROR_NUMBER", std::to_string(f.number)));
        if (!f.source.empty()) fields.push_back(Field("DORMIX_ERROR_SOURCE", f.source));
        Hand(*channel_, std::move(fields));
    } catch (...) {
    }
}

}  // namespace dormix::log_linux
