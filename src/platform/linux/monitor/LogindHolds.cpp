#include "platform/linux/monitor/LogindHolds.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

namespace dormix::linux_monitor {

namespace {

using linux_logind::Answer;
using linux_logind::InhibitorRef;

// What made an inhibitor a hold, in the order logind lists it: "idle",
// "shutdown block", "sleep/shutdown block"; empty when nothing did.
std::string HeldFor(const InhibitorRef& i, LogindHolds::Counted counted) {
    const bool idle = counted == LogindHolds::Counted::IdleAndBlocks;
    const bool block = i.mode == "block";
    std::string kinds;
    std::string_view what = i.what;
    while (!what.empty()) {
        const auto colon = what.find(':');
        const std::string_view kind = what.substr(0, colon);
        if ((kind == "idle" && idle) || ((kind == "shutdown" || kind == "sleep") && block))
            kinds.append(kinds.empty() ? "" : "/").append(kind);
        what.remove_prefix(colon == std::string_view::npos ? what.size() : colon + 1);
    }
    if (kinds.empty() || kinds == "idle") return kinds;
    return kinds + " block";
}

// The failure's text goes inside the core's parentheses.
std::string Failure(std::string why) {
    if (!why.empty() && why.back() == '.') why.pop_back();
    return "logind's inhibitors: " + why;
}

}  // namespace

LogindHolds::LogindHolds(Counted counted, std::string address, std::chrono::milliseconds budget)
    : counted_(counted), bus_(std::move(address), budget, linux_logind::LogindBus::Timers::Hold) {}

monitor::HoldAnswer LogindHolds::Ask() {
    monitor::HoldAnswer answer;
    const linux_logind::LogindBus::Question question(bus_);
    // No bus or no logind: nobody keeps inhibitors, and nobody to ask.
    if (const int r = bus_.Begin(); r < 0) {
        if (!linux_logind::NoSystemBus(-r))
            answer.failure =
                Failure(std::string("the system bus is not reachable (") + std::strerror(-r) + ")");
        return answer;
    }
    std::vector<InhibitorRef> inhibitors;
    const Answer list = linux_logind::ListInhibitors(bus_, inhibitors);
    if (list.kind == Answer::Error && linux_logind::NoLogind(list)) return answer;
    if (list.kind != Answer::Reply) {
        answer.failure = Failure(list.text);
        return answer;
    }
    for (const InhibitorRef& i : inhibitors) {
        std::string line = Holder(i);
        if (line.empty()) continue;
        // A block on shutdown or sleep guards the system (an upgrade, a
        // burn): never switched off through, not even past the cap.
        const bool guards = i.mode == "block" && (linux_logind::Inhibits(i.what, "shutdown") ||
                                                  linux_logind::Inhibits(i.what, "sleep"));
        (guards ? answer.locks : answer.holders).push_back(std::move(line));
    }
    return answer;
}

std::string LogindHolds::Holder(const InhibitorRef& i) {
    const std::string kinds = HeldFor(i, counted_);
    if (kinds.empty()) return {};
    return "\"" + i.who + "\": " + i.why + " (logind " + kinds + " inhibitor, PID " +
           std::to_string(i.pid) + ", " + UserName(i.uid) + ")";
}

const std::string& LogindHolds::UserName(std::uint32_t uid) {
    if (const auto known = users_.find(uid); known != users_.end()) return known->second;
    std::vector<char> buffer(1024);
    passwd entry{};
    passwd* found = nullptr;
    int r;
    while ((r = ::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found)) == ERANGE &&
           buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    return users_[uid] = r == 0 && found ? std::string("user ") + found->pw_name
                                         : "uid " + std::to_string(uid);
}

}  // namespace dormix::linux_monitor
