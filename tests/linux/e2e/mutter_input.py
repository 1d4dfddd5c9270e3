# Input as mutter's remote-desktop client sends it: mutter's idle monitor
# counts it like a user's. The remote-desktop session ends with the bus
# connection, so one process creates, starts and uses it.
#   mutter_input.py move | tap | wiggle
# "wiggle" moves the pointer every half second until it is terminated.
import signal
import sys
import time

import dbus

SERVICE = "org.gnome.Mutter.RemoteDesktop"
KEY_A = 30  # evdev code

bus = dbus.SessionBus()
manager = bus.get_object(SERVICE, "/org/gnome/Mutter/RemoteDesktop")
path = manager.CreateSession(dbus_interface=SERVICE)
session = dbus.Interface(bus.get_object(SERVICE, path), SERVICE + ".Session")
session.Start()

mode = sys.argv[1]
if mode == "move":
    session.NotifyPointerMotionRelative(5.0, 3.0)
elif mode == "tap":
    session.NotifyKeyboardKeycode(KEY_A, True)
    session.NotifyKeyboardKeycode(KEY_A, False)
elif mode == "wiggle":
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    print("wiggling", flush=True)
    while True:
        session.NotifyPointerMotionRelative(3.0, -2.0)
        time.sleep(0.5)
else:
    sys.exit("unknown mode " + mode)
session.Stop()
