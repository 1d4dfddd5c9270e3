#include "frontend/watch_linux/LogindLogons.h"

#include <poll.h>
#include <systemd/sd-bus.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/linux/monitor/LogindSessions.h"

namespace dormix::watch_linux {

namespace {

using linux_logind::Answer;
using std::chrono::ceil;
using std::chrono::microseconds;
using std::chrono::milliseconds;

milliseconds UntilBusTimeout(sd_bus* bus) {
    const microseconds left = linux_logind::UntilBusTimeout(bus);
    return left == microseconds::max() ? milliseconds::max() : ceil<milliseconds>(left);
}

}  // namespace

bool UserSession(const linux_logind::SessionFacts& s) {
    return linux_monitor::PersonsSession(s.sessionClass) && s.state != "closing";
}

LogindLogons::LogindLogons(watch::Logons& logons, std::string address, milliseconds budget)
    : logons_(logons),
      address_(address),
      questions_(std::move(address), budget, linux_logind::LogindBus::Timers::Hold) {}

LogindLogons::~LogindLogons() { Drop({}); }

void LogindLogons::Drop(std::string_view why) {
    for (sd_bus_slot*& slot : slots_) slot = sd_bus_slot_unref(slot);
    fromLogind_.Drop();
    // The questions' connection went with the bus too: the next count opens
    // a new one instead of finding the old one dead a minute later.
    questions_.Close();
    if (signals_) {
        sd_bus_close(signals_);
        signals_ = sd_bus_unref(signals_);
    }
    if (why.empty()) return;
    // Deaf to log-ons, the watch takes someone for logged on.
    logons_.Unknown();
    if (trace) trace(std::string("logons unknown: ") + std::string(why));
}

void LogindLogons::Listen() {
    // The minute's recount waits for the first count, which follows the
    // subscription.
    lastListen_ = lastCount_ = Clock::now();
    if (const int r = linux_logind::OpenBus(address_, &signals_); r < 0)
        return Drop(std::string("the system bus is not reachable (") + std::strerror(-r) + ")");
    const auto onChange = [](sd_bus_message* m, void* self, sd_bus_error*) {
        auto* logons = static_cast<LogindLogons*>(self);
        if (logons->fromLogind_.FromLogind(m)) logons->changed_ = true;
        return 0;
    };
    const auto onSleep = [](sd_bus_message* m, void* self, sd_bus_error*) {
        auto* logons = static_cast<LogindLogons*>(self);
        int start = 1;
        // true: about to sleep; false: woken up. A forged waking would
        // restart the countdown for as long as someone kept sending it.
        if (logons->fromLogind_.FromLogind(m) && sd_bus_message_read(m, "b", &start) >= 0 &&
            !start && logons->onResume)
            logons->onResume();
        return 0;
    };
    // The subscriptions are answered like calls: the first count waits for
    // them, so no log-on can fall between the count and the first signal.
    const auto onInstalled = [](sd_bus_message* reply, void* self, sd_bus_error*) {
        auto* logons = static_cast<LogindLogons*>(self);
        if (sd_bus_message_is_method_error(reply, nullptr))
            logons->refused_ = true;  // dropped once sd-bus is done with its slot
        else
            logons->changed_ = true;
        return 0;
    };
    const char* names[] = {"SessionNew", "SessionRemoved", "PrepareForSleep"};
    // Logind's owner is asked first: its answer comes before any of the
    // signals below can.
    int r = fromLogind_.Follow(signals_);
    for (int i = 0; i < 3 && r >= 0; ++i)
        r = sd_bus_match_signal_async(signals_, &slots_[i], linux_logind::LogindService,
                                      linux_logind::LogindPath, linux_logind::LogindManager,
                                      names[i], i == 2 ? +onSleep : +onChange,
                                      i == 0 ? +onInstalled : nullptr, this);
    if (r < 0) Drop(std::string("no subscription to logind's signals (") + std::strerror(-r) + ")");
}

int LogindLogons::Fd() const { return signals_ ? sd_bus_get_fd(signals_) : -1; }

short LogindLogons::Events() const {
    const int events = signals_ ? sd_bus_get_events(signals_) : 0;
    return short(std::max(events, 0));
}

milliseconds LogindLogons::Due(Clock::time_point now) const {
    if (changed_ || unread_) return milliseconds(0);
    auto due = milliseconds::max();
    if (!signals_)
        due = ceil<milliseconds>(lastListen_ + RecountPeriod - now);
    else if (logons_.LoggedOn())
        due = ceil<milliseconds>(lastCount_ + RecountPeriod - now);
    if (signals_) due = std::min(due, UntilBusTimeout(signals_));
    return std::max(due, milliseconds(0));
}

void LogindLogons::Process(Clock::time_point now) {
    if (!signals_) {
        if (now - lastListen_ >= RecountPeriod) Listen();
        if (!signals_) return;
    }
    // Signals only set a flag: however many came, one count follows. A
    // flood of messages nobody asked for is taken a slice at a time, so the
    // loop's ticks and stop signals still come on time.
    int r;
    const auto until = Clock::now() + milliseconds(50);
    while ((r = sd_bus_process(signals_, nullptr)) > 0 && Clock::now() < until) {
    }
    unread_ = r > 0;
    if (r < 0)
        return Drop(std::string("the system bus connection ended (") + std::strerror(-r) + ")");
    if (std::exchange(refused_, false))
        return Drop("the bus refused the subscription to logind's signals");
    if (changed_ || (logons_.LoggedOn() && now - lastCount_ >= RecountPeriod)) Count(now);
}

void LogindLogons::Count(Clock::time_point now) {
    changed_ = false;
    OtherSessionInUse();
    lastCount_ = now;
}

bool LogindLogons::OtherSessionInUse() {
    // The cycle's questions count as the minute's recount too.
    lastCount_ = Clock::now();
    if (trace) trace("logons asking");
    const auto unknown = [this](const std::string& why) {
        logons_.Unknown();
        if (trace) trace("logons unknown: " + why);
        return true;
    };
    const linux_logind::LogindBus::Question question(questions_);
    if (const int r = questions_.Begin(); r < 0)
        return unknown(std::string("the system bus is not reachable (") + std::strerror(-r) + ")");
    std::vector<linux_logind::SessionRef> listed;
    Answer step = linux_logind::ListSessions(questions_, listed);
    if (step.kind != Answer::Reply) return unknown(step.text);
    int users = 0;
    for (const linux_logind::SessionRef& s : listed) {
        linux_logind::SessionFacts facts;
        step = linux_logind::ReadSession(questions_, s.path, facts);
        // Ended between the list and the question: its SessionRemoved is
        // on its way, and it is nobody now.
        if (step.kind == Answer::Error && linux_logind::SessionGone(step)) continue;
        if (step.kind != Answer::Reply) return unknown(step.text);
        users += UserSession(facts);
    }
    logons_.Counted(users);
    if (trace) trace("logons " + std::to_string(users));
    return users > 0;
}

}  // namespace dormix::watch_linux
