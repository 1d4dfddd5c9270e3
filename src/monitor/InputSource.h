#pragma once

#include <bitset>
#include <cstdint>

namespace dormix::monitor {

struct CursorPoint {
    std::int32_t x = 0, y = 0;
};

// Where the sampler reads the keyboard and the pointer from.
class InputSource {
  public:
    virtual ~InputSource() = default;
    // Key codes 0..255 that are down now or were pressed since the previous
    // call (the mouse buttons are codes 1, 2, 4, 5 and 6).
    virtual void ReadKeys(std::bitset<256>& active) = 0;
    // The cursor in screen pixels; false leaves `point` as it was.
    virtual bool ReadCursor(CursorPoint& point) = 0;
};

}  // namespace dormix::monitor
