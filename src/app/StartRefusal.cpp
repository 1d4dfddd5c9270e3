#include "app/StartRefusal.h"

#include "app/InstanceGuard.h"
#include "ui/Texts.h"

namespace dormix::app {

StartRefusal BlindSessionRefusal(std::string_view why) {
    std::string text(why);
    text.append(text::LineBreak).append(text::LineBreak).append(text::BlindEnd);
    return {log::SystemEvent::StartRefusedBlind, text::Fill(text::BlindTitle, {text::ProductTitle}),
            text};
}

StartRefusal MarkerRefusal(std::span<const std::string_view> lines) {
    std::string text;
    for (std::string_view line : lines) {
        if (!text.empty()) text.append(text::LineBreak);
        text.append(line);
    }
    return {log::SystemEvent::StartRefusedMarker, NoticeCaption(), text};
}

void MirrorRefusal(const StartRefusal& refusal, log::SystemLog& systemLog) {
    systemLog.Failure({refusal.event, refusal.title, refusal.text, 0, {}});
}

}  // namespace dormix::app
