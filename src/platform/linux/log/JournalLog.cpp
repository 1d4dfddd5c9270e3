#include "platform/linux/log/JournalLog.h"

#include <sys/uio.h>
#include <systemd/sd-journal.h>

#include <string>
#include <vector>

#include "ui/Texts.h"

namespace dormix::linux_log {

using Fields = std::vector<std::string>;

namespace {

std::string Field(std::string_view name, std::string_view value) {
    std::string f(name);
    f += '=';
    f += value;
    return f;
}

Fields Common(const std::string& identifier, log::SystemEvent event, std::string message) {
    return {Field("MESSAGE", message), Field("PRIORITY", log::IsWarning(event) ? "4" : "6"),
            Field("SYSLOG_IDENTIFIER", identifier),
            Field("DORMIX_EVENT_ID", std::to_string(static_cast<int>(event))),
            Field("DORMIX_VERSION", log::ProgramVersion())};
}

void Send(Fields& fields) {
    std::vector<iovec> parts;
    parts.reserve(fields.size());
    for (auto& f : fields) parts.push_back({f.data(), f.size()});
    sd_journal_sendv(parts.data(), int(parts.size()));  // its result tells nothing useful
}

}  // namespace

void JournalLog::Entry(const log::SystemLogEntry& e) noexcept {
    try {
        Fields fields = Common(identifier_, e.event, std::string(e.line));
        fields.push_back(Field("DORMIX_ACTION", e.action));
        fields.push_back(Field("DORMIX_DETAIL", e.detail));
        fields.push_back(Field("DORMIX_COUNT", std::to_string(e.count)));
        fields.push_back(Field("DORMIX_PHASE", e.phase));
        fields.push_back(Field("DORMIX_TEST_MODE", e.testMode ? "1" : "0"));
        fields.push_back(Field("DORMIX_INHIBIT_SHUTDOWN", e.inhibitShutdown ? "1" : "0"));
        queue_.Hand([fields = std::move(fields)]() mutable { Send(fields); });
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
        Fields fields = Common(identifier_, f.event, std::move(message));
        fields.push_back(Field("DORMIX_TITLE", f.title));
        fields.push_back(Field("DORMIX_ERROR_NUMBER", std::to_string(f.number)));
        if (!f.source.empty()) fields.push_back(Field("DORMIX_ERROR_SOURCE", f.source));
        queue_.Hand([fields = std::move(fields)]() mutable { Send(fields); });
    } catch (...) {
    }
}

}  // namespace dormix::linux_log
