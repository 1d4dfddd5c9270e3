#pragma once
// Keyboard and pointer state from the X server, on a connection of its own
// so that Qt's connection is never touched from here.
//
// "Pressed since the previous sample" has no X call of its own: XInput2 raw
// key and button presses, selected on the root window, are collected between
// samples, so a key tapped and released between two ticks still counts.

#include <QObject>
#include <QSocketNotifier>
#include <bitset>
#include <memory>

#include "monitor/InputSource.h"

typedef struct _XDisplay Display;
typedef union _XEvent XEvent;

namespace dormix::linux_x11 {

class X11InputSource final : public QObject, public monitor::InputSource {
  public:
    // Null when the display cannot be opened or lacks XInput 2.1 or later.
    static std::unique_ptr<X11InputSource> Open(const char* displayName = nullptr);
    ~X11InputSource() override;

    void ReadKeys(std::bitset<256>& active) override;
    bool ReadCursor(monitor::CursorPoint& point) override;

    // The key code a pointer button counts as: left 1, right 2, middle 4,
    // back 5, forward 6; 0 for wheel steps and other buttons.
    static int ButtonKeyCode(int xButton);

  private:
    X11InputSource(Display* display, int xiOpcode);
    void Drain();
    void Take(XEvent& event);
    // Asks for the pointer and the keymap in one round trip.
    void Query();

    Display* display_;
    int xiOpcode_;
    std::bitset<256> pressed_;
    // The last answers, kept from ReadCursor for the ReadKeys that follows.
    monitor::CursorPoint pointer_{};
    bool onScreen_ = false;
    unsigned buttonMask_ = 0;
    unsigned char keymap_[32] = {};
    bool fresh_ = false;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace dormix::linux_x11
