#include "platform/linux/monitor/DesktopHolds.h"

#include <systemd/sd-bus.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace dormix::linux_monitor {

namespace {

using linux_logind::Answer;
using monitor::HoldAnswer;

constexpr const char* GnomeService = "org.gnome.SessionManager";
constexpr const char* GnomePath = "/org/gnome/SessionManager";
constexpr const char* GnomeInhibitor = "org.gnome.SessionManager.Inhibitor";
constexpr std::uint32_t GnomeIdleFlag = 8;

constexpr const char* KdeService = "org.kde.Solid.PowerManagement.PolicyAgent";
constexpr const char* KdePath = "/org/kde/Solid/PowerManagement/PolicyAgent";
// The policy agent's InterruptSession (1) and ChangeScreenSettings (4): a
// suspend held off, the screen kept on. ChangeProfile (2) keeps nothing on.
constexpr std::uint32_t KdeKinds = 1 | 4;

constexpr const char* FdoService = "org.freedesktop.PowerManagement";
constexpr const char* FdoPath = "/org/freedesktop/PowerManagement/Inhibit";
constexpr const char* FdoInhibit = "org.freedesktop.PowerManagement.Inhibit";

bool NoBus(int errnum) { return errnum == ENOENT || errnum == ECONNREFUSED; }

// The desktop is not running: nothing to ask, nothing held.
bool Absent(const Answer& answer) {
    return answer.kind == Answer::Error &&
           (answer.error == "org.freedesktop.DBus.Error.ServiceUnknown" ||
            answer.error == "org.freedesktop.DBus.Error.NameHasNoOwner");
}

// The single value of a reply whose signature is `type` alone.
bool ReadOne(const Answer& answer, char type, void* value) {
    const char signature[2] = {type, 0};
    return answer.kind == Answer::Reply &&
           sd_bus_message_has_signature(answer.reply.get(), signature) > 0 &&
           sd_bus_message_read_basic(answer.reply.get(), type, value) > 0;
}

bool ReadText(const Answer& answer, std::string* text) {
    const char* value = nullptr;
    if (!ReadOne(answer, 's', &value)) return false;
    *text = value;
    return true;
}

std::string Named(const std::string& who, const std::string& why, const char* where) {
    return "\"" + who + "\"" + (why.empty() ? "" : ": " + why) + " (" + where + ")";
}

std::string Unnamed(const char* where, const char* method) {
    return std::string("a program (") + where + ": " + method + ")";
}

std::string Seconds(std::chrono::milliseconds budget) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", double(budget.count()) / 1000.0);
    return text;
}

}  // namespace

std::string SessionBusAddress() {
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address)
        return address;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        return std::string("unix:path=") + runtime + "/bus";
    return {};
}

SessionBusHolds::SessionBusHolds(std::string address, std::chrono::milliseconds budget)
    : absent_(address.empty()),
      bus_(std::move(address), budget, linux_logind::LogindBus::Timers::Hold) {}

bool SessionBusHolds::Begin(HoldAnswer* answer) {
    *answer = {};
    // An empty address would be the system bus.
    if (absent_) return false;
    const int r = bus_.Begin();
    if (r < 0 && !NoBus(-r))
        answer->failure =
            std::string("the session bus cannot be reached (") + std::strerror(-r) + ")";
    return r >= 0;
}

Answer SessionBusHolds::Call(const char* service, const char* path, const char* interface,
                             const char* method, const char* signature, const void* argument) {
    return bus_.Call(service, path, interface, method, signature, argument);
}

std::string SessionBusHolds::Failure(const Answer& answer, const char* service,
                                     const char* signature) const {
    const std::string asked = std::string(service) + " ";
    if (answer.kind == Answer::Timeout)
        return asked + "did not answer " + answer.method + " within " + Seconds(bus_.Budget());
    if (answer.errnum)
        return std::string("the session bus connection failed (") + std::strerror(answer.errnum) +
               ")";
    if (answer.kind == Answer::Error && !answer.error.empty())
        return asked + "answered " + answer.method + " with " + answer.error + ": " + answer.text;
    if (answer.kind == Answer::Reply) {
        const char* got = sd_bus_message_get_signature(answer.reply.get(), 1);
        return asked + "answered " + answer.method + " with the signature \"" + (got ? got : "") +
               "\" instead of \"" + signature + "\"";
    }
    return asked + "gave no answer to " + answer.method;
}

bool SessionBusHolds::ReadFlag(const Answer& answer, bool* flag) {
    int value = 0;
    if (!ReadOne(answer, 'b', &value)) return false;
    *flag = value != 0;
    return true;
}

HoldAnswer GnomeSessionHolds::Ask() {
    const auto question = Question();
    HoldAnswer answer;
    if (!Begin(&answer)) return answer;
    const Answer held =
        Call(GnomeService, GnomePath, GnomeService, "IsInhibited", "u", &GnomeIdleFlag);
    bool inhibited = false;
    if (Absent(held)) return answer;
    if (!ReadFlag(held, &inhibited)) return HoldAnswer::Failed(Failure(held, GnomeService, "b"));
    if (!inhibited) return answer;

    // Held, as the session manager says; naming who is a bonus. Whatever
    // cannot be read from here on leaves the holder unnamed.
    std::vector<std::string> paths;
    const Answer list = Call(GnomeService, GnomePath, GnomeService, "GetInhibitors");
    if (list.kind == Answer::Reply && sd_bus_message_has_signature(list.reply.get(), "ao") > 0) {
        sd_bus_message* m = list.reply.get();
        const char* path = nullptr;
        int r = sd_bus_message_enter_container(m, 'a', "o");
        while (r > 0 && (r = sd_bus_message_read_basic(m, 'o', &path)) > 0) paths.push_back(path);
    }
    for (const std::string& path : paths) {
        const char* at = path.c_str();
        std::uint32_t flags = 0;
        std::string app, reason;
        const Answer got = Call(GnomeService, at, GnomeInhibitor, "GetFlags");
        // An inhibitor released since the list answers with an error: passed
        // over. No answer at all (the budget spent, the bus gone) ends the naming.
        if (got.kind != Answer::Reply && got.error.empty()) break;
        if (!ReadOne(got, 'u', &flags) || !(flags & GnomeIdleFlag)) continue;
        if (!ReadText(Call(GnomeService, at, GnomeInhibitor, "GetAppId"), &app) ||
            !ReadText(Call(GnomeService, at, GnomeInhibitor, "GetReason"), &reason))
            continue;
        answer.holders.push_back(Named(app, reason, "GNOME session manager idle inhibitor"));
    }
    if (answer.holders.empty()) answer.holders.push_back(Unnamed(GnomeService, "IsInhibited"));
    return answer;
}

HoldAnswer PowerManagementHolds::Ask() {
    const auto question = Question();
    HoldAnswer answer;
    if (!Begin(&answer)) return answer;
    // KDE's power manager serves both; its own interface also names holders.
    const Answer kde = Call(KdeService, KdePath, KdeService, "HasInhibition", "u", &KdeKinds);
    if (!Absent(kde)) return AskKde(kde);
    const Answer fdo = Call(FdoService, FdoPath, FdoInhibit, "HasInhibit");
    bool inhibited = false;
    if (Absent(fdo)) return answer;
    if (!ReadFlag(fdo, &inhibited)) return HoldAnswer::Failed(Failure(fdo, FdoService, "b"));
    // It keeps the names it was given to itself.
    if (inhibited) answer.holders.push_back(Unnamed(FdoInhibit, "HasInhibit"));
    return answer;
}

HoldAnswer PowerManagementHolds::AskKde(const Answer& held) {
    HoldAnswer answer;
    bool inhibited = false;
    if (!ReadFlag(held, &inhibited)) return HoldAnswer::Failed(Failure(held, KdeService, "b"));
    if (!inhibited) return answer;
    // Plasma 5 sends (application, reason) pairs as structures, though its
    // interface description says a dictionary; either is read. The list
    // has every inhibition, also of kinds that keep nothing on.
    const Answer list = Call(KdeService, KdePath, KdeService, "ListInhibitions");
    sd_bus_message* m = list.kind == Answer::Reply ? list.reply.get() : nullptr;
    const char* entry = !m                                             ? nullptr
                        : sd_bus_message_has_signature(m, "a(ss)") > 0 ? "(ss)"
                        : sd_bus_message_has_signature(m, "a{ss}") > 0 ? "{ss}"
                                                                       : nullptr;
    const char *app = nullptr, *reason = nullptr;
    int r = entry ? sd_bus_message_enter_container(m, 'a', entry) : 0;
    while (r > 0 && (r = sd_bus_message_read(m, entry, &app, &reason)) > 0)
        answer.holders.push_back(Named(app, reason, "KDE power management inhibition"));
    if (answer.holders.empty()) answer.holders.push_back(Unnamed(KdeService, "HasInhibition"));
    return answer;
}

}  // namespace dormix::linux_monitor
