#include "monitor/SourceHealth.h"

#include <string>

#include "ui/Texts.h"

namespace dormix::monitor {

void SourceHealth::Sample(const ActivitySource& source) {
    if (!source.LastAnswerFailed()) {
        failedRun_ = 0;
        if (told_) Tell(source, log::SystemEvent::SourceRecovered, text::SourceRecovered);
        told_ = false;
        return;
    }
    // Capped: a source that fails for months must not wrap the count.
    if (failedRun_ < kFailingSamples) ++failedRun_;
    if (failedRun_ < kFailingSamples || told_) return;
    told_ = true;
    Tell(source, log::SystemEvent::SourceFailing, text::SourceFailing);
}

void SourceHealth::Tell(const ActivitySource& source, log::SystemEvent event,
                        std::string_view format) {
    const std::string message = text::Fill(format, {source.Name()});
    if (!systemLog_.ReachesStderr()) {
        std::fprintf(err_, "%.*s: %s\n", int(text::ExeBaseName.size()), text::ExeBaseName.data(),
                     message.c_str());
        std::fflush(err_);
    }
    const std::string title = text::Fill(text::SourceTitle, {text::ProductTitle});
    systemLog_.Failure({event, title, message, 0, source.Name()});
}

}  // namespace dormix::monitor
