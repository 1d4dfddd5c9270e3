#pragma once
// Input as the sampler polls it on Windows: GetAsyncKeyState for every
// virtual-key code and GetCursorPos.

#include "monitor/InputSource.h"

namespace dormix::win32_monitor {

class AsyncKeyInput final : public monitor::InputSource {
  public:
    void ReadKeys(std::bitset<256>& active) override;
    bool ReadCursor(monitor::CursorPoint& point) override;
};

}  // namespace dormix::win32_monitor
