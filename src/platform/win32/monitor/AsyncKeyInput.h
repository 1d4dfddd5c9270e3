#pragma once
// Input as the sampler polls it on Windows: GetAsyncKeyState for every
// virtual-key code and GetCursorPos.

#include "monitor/InputSource.h"

namespace dormix::monitor {

class AsyncKeyInput final : public InputSource {
  public:
    void ReadKeys(std::bitset<256>& active) override;
    bool ReadCursor(CursorPoint& point) override;
};

}  // namespace dormix::monitor
