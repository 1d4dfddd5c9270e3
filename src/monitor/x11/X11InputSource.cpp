#include "monitor/x11/X11InputSource.h"

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

namespace dormix::x11 {

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
    int major = 2, minor = 0;
    if (!XQueryExtension(display, "XInputExtension", &opcode, &event, &error) ||
        XIQueryVersion(display, &major, &minor) != Success) {
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

unsigned X11InputSource::QueryPointer(monitor::CursorPoint* point, bool* onScreen) {
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0, winX = 0, winY = 0;
    unsigned mask = 0;
    const bool same = XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &rootX,
                                    &rootY, &winX, &winY, &mask);
    if (onScreen) *onScreen = same;
    if (!same) return 0;
    if (point) *point = {rootX, rootY};
    return mask;
}

bool X11InputSource::ReadCursor(monitor::CursorPoint& point) {
    // The same reply carries the held buttons; ReadKeys, which the sampler
    // calls right after, uses them instead of asking again.
    bool onScreen = false;
    buttonMask_ = QueryPointer(&point, &onScreen);
    maskFresh_ = true;
    return onScreen;  // off this screen: the previous position stays
}

void X11InputSource::ReadKeys(std::bitset<256>& active) {
    Drain();
    if (!maskFresh_) buttonMask_ = QueryPointer(nullptr, nullptr);
    maskFresh_ = false;
    char keymap[32] = {};
    XQueryKeymap(display_, keymap);
    active = pressed_;
    pressed_.reset();
    for (int code = 0; code < 256; ++code)
        if (keymap[code / 8] & (1 << (code % 8))) active.set(std::size_t(code));
    for (const auto& held : kHeldButtons)
        if (buttonMask_ & held.mask) active.set(std::size_t(held.code));
}

}  // namespace dormix::x11
