#pragma once
// A start refused before the log is opened. The box says why to the user at
// the machine; the system log's copy lets an administrator find the
// machines where the program would not run.

#include <span>
#include <string>
#include <string_view>

#include "log/SystemLog.h"

namespace dormix::app {

struct StartRefusal {
    log::SystemEvent event;
    std::string title, text;  // the box's; lines joined by CR LF
};

// No source can see the keys and the mouse in this desktop session; `why`
// says which kind of session it is.
StartRefusal BlindSessionRefusal(std::string_view why);
// No running-copy marker to trust; `lines` say why in the platform's words.
StartRefusal MarkerRefusal(std::span<const std::string_view> lines);

void MirrorRefusal(const StartRefusal& refusal, log::SystemLog& systemLog);

}  // namespace dormix::app
