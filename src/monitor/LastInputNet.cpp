#include "monitor/LastInputNet.h"

namespace dormix::monitor {

bool LastInputNet::ActiveSinceLastSample() {
    std::uint32_t tick = lastTick_;
    // A failed read is activity, and the tick from before it is kept, so
    // input made while the session would not answer still shows later.
    failed_ = !clock_.ReadLastInputTick(tick);
    if (failed_) return true;
    // Any other value is new input. Only "moved or not" is asked, never
    // "later or not", so the wrap from 0xFFFFFFFF to 0 is one more move and
    // an unchanged tick across the wrap is no move.
    const bool moved = known_ && tick != lastTick_;
    lastTick_ = tick;
    known_ = true;  // the first read has nothing to compare with: it only records
    return moved;
}

}  // namespace dormix::monitor
