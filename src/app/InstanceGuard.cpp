#include "app/InstanceGuard.h"

#include "app/Arguments.h"
#include "ui/Texts.h"

namespace dormix::app {

InstanceGuard::InstanceGuard(InstanceMarker& marker) : marker_(marker) {}

bool InstanceGuard::InstanceAlreadyRunning(std::string_view name) {
    if (guard_ != 0) return false;
    const auto created = marker_.Create(name, true);
    guard_ = created.handle;
    if (created.alreadyExists) {
        marker_.Close(guard_);
        guard_ = 0;
        return true;
    }
    return false;  // held for the life of the process (0 if the call failed)
}

bool InstanceGuard::MayStart(std::string_view argumentText) {
    bool allow = HasAllowMulti(argumentText);
    bool other = InstanceAlreadyRunning(text::ProductWord);
    if (!allow && other) return false;
    allow = HasAllowMulti(argumentText);
    other = InstanceAlreadyRunning(text::ProductWord);
    if (!allow && !other) {
        // A second marker, never recorded nor closed: it lasts as long as the process.
        marker_.Create(text::ProductWord, false);
    }
    return true;
}

std::string NoticeCaption() { return text::Fill(text::NoticeTitle, {text::ProductTitle}); }

std::string NoticeText() {
    std::string out = text::Fill(text::NoticeFirst, {text::ProductTitle});
    out += text::LineBreak;
    out += text::NoticeSecond;
    out += text::LineBreak;
    out += text::NoticeThird;
    return out;
}

}  // namespace dormix::app
