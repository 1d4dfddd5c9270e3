#pragma once
// Decides once a tick whether the user did anything since the previous tick,
// by polling every key and the cursor (no hooks).

#include <bitset>
#include <cstdint>
#include <string>

#include "monitor/InputSource.h"

namespace dormix::monitor {

class InputSampler {
public:
    explicit InputSampler(InputSource& source);

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

    bool InputUnchanged = true;
    std::string ActivityMark;

private:
    InputSource& source_;
    std::bitset<256> keys_;
};

}  // namespace dormix::monitor
