#include "app/Arguments.h"

#include "ui/Texts.h"

namespace dormix::app {

std::string ArgumentTextFromCommandLine(std::string_view line) {
    std::size_t i = 0;
    if (!line.empty() && line[0] == '"') {
        const std::size_t close = line.find('"', 1);
        i = close == std::string_view::npos ? line.size() : close + 1;
    } else {
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    }
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    return std::string(line.substr(i));
}

std::string ArgumentTextFromArgs(std::span<const std::string_view> args) {
    std::string out;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (i) out += ' ';
        out += args[i];
    }
    return out;
}

bool HasInhibitShutdown(std::string_view argumentText) {
    return argumentText.starts_with(text::SwitchInhibitShutdown);
}

bool HasAllowMulti(std::string_view argumentText) {
    return argumentText.ends_with(text::SwitchAllowMulti);
}

std::string_view UnusedArguments(std::string_view text) {
    if (HasInhibitShutdown(text)) text.remove_prefix(text::SwitchInhibitShutdown.size());
    if (HasAllowMulti(text)) text.remove_suffix(text::SwitchAllowMulti.size());
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

std::string ArgumentWarning(std::string_view argumentText) {
    const std::string_view unused = UnusedArguments(argumentText);
    if (unused.empty()) return {};
    std::string line = text::Fill(
        text::ArgumentIgnored,
        {text::ExeBaseName, unused,
         HasInhibitShutdown(argumentText) ? text::ArgumentRunSimulates : text::ArgumentRunIsReal});
    return line;
}

}  // namespace dormix::app
