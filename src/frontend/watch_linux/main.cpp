// dormix-lite-watch: the system watch for Linux, run by systemd as
// dormix-lite-watch.service. No Qt and no display: the core's cycle, logind
// over sd-bus for the log-ons and the power-off, the journal for its copy.
// What needs nothing of the system comes first; WatchProgram wires the rest.
#include <clocale>
#include <csignal>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/watch_linux/WatchProgram.h"

int main(int argc, char** argv) {
    using namespace dormix;
    // The log's month as the system's locale abbreviates it.
    std::setlocale(LC_ALL, "");
    // stderr is the journal's stream under systemd: a journald restarting
    // must not end the watch.
    std::signal(SIGPIPE, SIG_IGN);
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const watch::WatchArguments arguments = watch::ParseArguments(args);
    for (const std::string& unknown : arguments.unknown)
        watch_linux::Say(watch::UnknownArgumentWarning(unknown));
    // Its warnings, and the values in force, reach stderr and the journal
    // through the system log once the watch starts.
    linux_settings::ConfFiles conf;
    watch_linux::WatchProgram program(arguments, conf, settings::Load(conf));
    program.Run();
}
