#include "platform/linux/x11/X11InputSource.h"

#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <xcb/xcb.h>

#include <bit>
#include <cstdlib>
#include <cstring>

namespace dormix::linux_x11 {

namespace {

// Held buttons appear only in the pointer's modifier mask, never in the
// keymap; these are the codes the sampler knows them by.
struct MaskCode {
    unsigned mask;
    int code;
};
constexpr MaskCode kHeldButtons[] = {{Button1Mask, 1}, {Button3Mask, 2}, {Button2Mask, 4}};

}  // namespace

int X11InputSource::ButtonKeyCode(int xButton) {
    switch (xButton) {
        case 1:
            return 1;  // left
        case 2:
            return 4;  // middle
        case 3:
            return 2;  // right
        case 8:
            return 5;  // back (X1)
        case 9:
            return 6;  // forward (X2)
        default:
            return 0;  // 4-7 are wheel steps, which no key state shows
    }
}

std::unique_ptr<X11InputSource> X11InputSource::Open(const char* displayName) {
    Display* display = XOpenDisplay(displayName);
    if (!display) return nullptr;
    int opcode = 0, event = 0, error = 0;
    // From 2.1 on the server sends raw events to every client that selected
    // them, also while another client grabs the keyboard or the pointer (a
    // VM viewer, an open menu, a drag); a 2.0 client gets them only with the
    // grab, and would not see taps and clicks meanwhile.
    int major = 2, minor = 2;
    if (!XQueryExtension(display, "XInputExtension", &opcode, &event, &error) ||
        XIQueryVersion(display, &major, &minor) != Success || (major == 2 && minor < 1)) {
        XCloseDisplay(display);
        return nullptr;
    }
    return std::unique_ptr<X11InputSource>(new X11InputSource(display, opcode));
}

X11InputSource::X11InputSource(Display* display, int xiOpcode)
    : display_(display), xiOpcode_(xiOpcode) {
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawKeyPress);
    XISetMask(bits, XI_RawButtonPress);
    XIEventMask mask{XIAllMasterDevices, int(sizeof bits), bits};
    XISelectEvents(display_, DefaultRootWindow(display_), &mask, 1);
    XFlush(display_);
    notifier_ =
        std::make_unique<QSocketNotifier>(ConnectionNumber(display_), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &X11InputSource::Drain);
}

X11InputSource::~X11InputSource() {
    notifier_.reset();
    XCloseDisplay(display_);
}

void X11InputSource::Drain() {
    // XPending reads what waits on the socket and also counts events that an
    // earlier round trip already pulled into Xlib's queue.
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        Take(event);
    }
}

void X11InputSource::Take(XEvent& event) {
    XGenericEventCookie& cookie = event.xcookie;
    if (cookie.type != GenericEvent || cookie.extension != xiOpcode_) return;
    if (!XGetEventData(display_, &cookie)) return;
    const auto* raw = static_cast<const XIRawEvent*>(cookie.data);
    if (cookie.evtype == XI_RawKeyPress && raw->detail >= 0 && raw->detail < 256)
        pressed_.set(std::size_t(raw->detail));
    if (cookie.evtype == XI_RawButtonPress) {
        if (const int code = ButtonKeyCode(raw->detail)) pressed_.set(std::size_t(code));
    }
    XFreeEventData(display_, &cookie);
}

void X11InputSource::Query() {
    // Both requests go out before either reply is awaited: one wake-up a
    // sample instead of one per question. Held buttons come with the pointer
    // (the keymap has none).
    xcb_connection_t* c = XGetXCBConnection(display_);
    const auto pointerCookie = xcb_query_pointer(c, DefaultRootWindow(display_));
    const auto keymapCookie = xcb_query_keymap(c);
    xcb_query_pointer_reply_t* pointer = xcb_query_pointer_reply(c, pointerCookie, nullptr);
    xcb_query_keymap_reply_t* keymap = xcb_query_keymap_reply(c, keymapCookie, nullptr);
    onScreen_ = pointer && pointer->same_screen;
    buttonMask_ = onScreen_ ? pointer->mask : 0;
    if (onScreen_) pointer_ = {pointer->root_x, pointer->root_y};
    if (keymap)
        std::memcpy(keymap_, keymap->keys, sizeof keymap_);
    else
        std::memset(keymap_, 0, sizeof keymap_);
    std::free(pointer);
    std::free(keymap);
    fresh_ = true;
}

bool X11InputSource::ReadCursor(monitor::CursorPoint& point) {
    Query();
    if (onScreen_) point = pointer_;
    return onScreen_;  // off this screen: the previous position stays
}

void X11InputSource::ReadKeys(std::bitset<256>& active) {
    if (!fresh_) Query();
    fresh_ = false;
    Drain();
    active = pressed_;
    pressed_.reset();
    // Byte by byte, and within a byte only the bits that are set: a sample
    // with no key down does 32 tests.
    for (std::size_t byte = 0; byte < sizeof keymap_; ++byte)
        for (unsigned bits = keymap_[byte]; bits != 0; bits &= bits - 1)
            active.set(byte * 8 + std::size_t(std::countr_zero(bits)));
    for (const auto& held : kHeldButtons)
        if (buttonMask_ & held.mask) active.set(std::size_t(held.code));
}

}  // namespace dormix::linux_x11
