#include "monitor/InputSampler.h"

#include <charconv>
#include <cstdint>
#include <limits>

#include "log/ProgramError.h"
#include "ui/Texts.h"

namespace dormix::monitor {

InputSampler::InputSampler(InputSource* poll, ActivitySource* activity, log::SystemLog& systemLog)
    : poll_(poll), activity_(activity), health_(systemLog) {
    // The strings are rebuilt every second; reserve their largest size once
    // so a day of ticks never allocates.
    KeyList.reserve(1 + 256 * 3);
    LastKeyList.reserve(1 + 256 * 3);
    ActivityMark.reserve(3);
}

bool InputSampler::InputChanged() {
    if (poll_) PollKeysAndCursor();
    // Asked every sample, so that its "since the last sample" stays one tick long.
    const bool active = activity_ && activity_->ActiveSinceLastSample();
    if (activity_) health_.Sample(*activity_);
    // Beside the poll, the source stands in only for what the poll cannot
    // see. While the poll sees a key down, or sees it let go, it sees the
    // keyboard, and the system's own record of input moves with that key's
    // auto-repeat and its release: a held key still counts once.
    OtherActivity = active && !MouseChanged && !KeysChanged && !keysInView_;
    return MouseChanged || KeysChanged || OtherActivity;
}

void InputSampler::PollKeysAndCursor() {
    poll_->ReadCursor(CursorPos);  // a failed read keeps the previous position
    const std::int64_t sum = std::int64_t(CursorPos.x) + CursorPos.y;
    if (sum < std::numeric_limits<std::int32_t>::min() ||
        sum > std::numeric_limits<std::int32_t>::max())
        throw ProgramError(OverflowErrorNumber, std::string(text::ExeBaseName), "Overflow");
    // Only the sum is compared: a move of one pixel right and one up is not seen.
    MouseChanged = std::int32_t(sum) != LastCursorSum;
    LastCursorSum = std::int32_t(sum);

    poll_->ReadKeys(keys_);
    KeyList.assign("0");
    char digits[4];
    for (int code = 0; code < 256; ++code) {
        if (!keys_[code]) continue;
        auto [end, ec] = std::to_chars(digits, digits + sizeof digits, code);
        KeyList.append(digits, end);
    }
    keysInView_ = KeyList != "0" || LastKeyList != "0";
    // Releasing every key is not activity, and a set of keys held down counts
    // once, on the first sample that sees it.
    if (KeyList == "0") LastKeyList.assign("0");
    KeysChanged = KeyList != LastKeyList;
    LastKeyList.assign(KeyList);
}

void InputSampler::ResetInputSnapshot() {
    LastCursorSum = 0;
    LastKeyList.assign("0");
    KeyList.assign("0");
    MouseChanged = false;
    KeysChanged = false;
    OtherActivity = false;
    keysInView_ = false;
}

void InputSampler::SampleActivity() {
    const bool changed = InputChanged();
    InputUnchanged = !changed;
    ActivityMark.clear();
    if (KeysChanged) ActivityMark.append(text::MarkKeys);
    if (MouseChanged) {
        if (KeysChanged) ActivityMark.append(text::MarkBoth);
        ActivityMark.append(text::MarkMouse);
    }
    if (OtherActivity) ActivityMark.append(text::MarkKeysOrMouse);
}

}  // namespace dormix::monitor
