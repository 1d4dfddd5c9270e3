#include <initializer_list>
#include <string>

#include "log/SystemLog.h"
#include "report/Readers.h"
#include "ui/Texts.h"

namespace dormix::report {
namespace {

// The text after `label` up to the end of its line.
std::string_view After(std::string_view text, std::string_view label) {
    const std::size_t at = text.find(label);
    if (at == std::string_view::npos) return {};
    std::string_view rest = text.substr(at + label.size());
    return rest.substr(0, rest.find_first_of("\r\n"));
}

bool IsRefusal(std::string_view description) {
    using namespace text;
    for (std::string_view prefix :
         {ShutdownInvalid, ShutdownFailed, ShutdownTimedOut, ShutdownUnconfirmed,
          ShutdownNoPrivilegeValue, ShutdownNoProcess, ShutdownNoPrivileges})
        if (description.substr(0, prefix.size()) == prefix) return true;
    return false;
}

}  // namespace

void TakeFailure(FleetTable& table, std::size_t machine, Stream stream, std::uint16_t id,
                 std::string_view text, std::optional<std::int64_t> utc) {
    using log::SystemEvent;
    if (id == std::uint16_t(SystemEvent::ProgramError)) {
        const std::string_view description = After(text, text::ProgramErrorDescription);
        if (IsRefusal(description) && utc) {
            table.Refused(machine, stream, *utc, description);
            return;
        }
    } else if (id == std::uint16_t(SystemEvent::HeldBy)) {
        // "The computer is held in use by WHO; the countdown waits for it at most 4 hours"
        constexpr std::string_view heldBy = text::Piece(text::HeldBy, 0);
        constexpr std::string_view capped = text::Piece(text::HeldBy, 1);
        const std::size_t from = text.find(heldBy);
        const std::size_t to = text.rfind(capped);
        if (from != std::string_view::npos && to != std::string_view::npos &&
            to > from + heldBy.size()) {
            const std::size_t begin = from + heldBy.size();
            table.Holder(machine, text.substr(begin, to - begin));
            return;
        }
    } else if (id == std::uint16_t(SystemEvent::SettingsInForce)) {
        // "CountdownSeconds=120 (/etc/dormix-lite/dormix-lite.conf, line 2)": the
        // countdown's length where no "Close" entry shows it, and the cap on holds.
        auto value = [&](std::string_view name) {
            int seconds = -1;
            if (const std::size_t at = text.find(name); at != std::string_view::npos) {
                seconds = 0;
                for (std::size_t i = at + name.size();
                     i < text.size() && text[i] >= '0' && text[i] <= '9' && seconds < 1000000; ++i)
                    seconds = seconds * 10 + (text[i] - '0');
            }
            return seconds;
        };
        if (const int countdown = value("CountdownSeconds="); countdown > 0)
            table.Countdown(machine, countdown);
        if (const int cap = value("HoldLimitSeconds="); cap >= 0) table.HoldLimit(machine, cap);
    }
    table.Failure(id);
}

}  // namespace dormix::report
