#pragma once
// Decides once a tick whether the user did anything since the previous tick,
// by polling every key and the cursor (no hooks), by asking a source that
// only knows "something happened", or both (the second as a safety net for
// what the poll cannot see).

#include <bitset>
#include <cstdint>
#include <string>

#include "monitor/ActivitySource.h"
#include "monitor/InputSource.h"
#include "monitor/SourceHealth.h"

namespace dormix::monitor {

class InputSampler {
  public:
    // Either may be null, not both. `systemLog` hears of an activity source
    // that keeps failing.
    InputSampler(InputSource* poll, ActivitySource* activity,
                 log::SystemLog& systemLog = log::NoSystemLog::Instance());
    explicit InputSampler(InputSource& poll) : InputSampler(&poll, nullptr) {}

    // mdInDataChange
    bool InputChanged();
    void ResetInputSnapshot();
    // The main window's sample: sets InputUnchanged and ActivityMark.
    void SampleActivity();

    CursorPoint CursorPos{};
    std::int32_t LastCursorSum = 0;
    std::string KeyList = "0";
    std::string LastKeyList = "0";
    bool MouseChanged = false;
    bool KeysChanged = false;
    // The activity source reported use that the poll did not see (or there
    // is no poll).
    bool OtherActivity = false;

    bool InputUnchanged = true;
    std::string ActivityMark;

  private:
    void PollKeysAndCursor();

    InputSource* poll_;
    ActivitySource* activity_;
    SourceHealth health_;
    std::bitset<256> keys_;
    bool keysInView_ = false;  // a key in this sample's list or the previous one's
};

}  // namespace dormix::monitor
