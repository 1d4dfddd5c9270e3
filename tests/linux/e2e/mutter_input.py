# Input as mutter's remote-desktop client sends it: mutter's idle monitor
# counts it like a user's. The remote-desktop session ends with the bus
# connection, so one process serves every command read from stdin, one a
# line, and answers each with its name on stdout once sent:
#   move     one relative pointer move
#   tap      one key pressed and released
#   wiggle   a pointer move every half second from now on, until "still"
import select
import sys

import dbus

SERVICE = "org.gnome.Mutter.RemoteDesktop"
KEY_A = 30  # evdev code

bus = dbus.SessionBus()
manager = bus.get_object(SERVICE, "/org/gnome/Mutter/RemoteDesktop")
path = manager.CreateSession(dbus_interface=SERVICE)
session = dbus.Interface(bus.get_object(SERVICE, path), SERVICE + ".Session")
session.Start()
print("ready", flush=True)

wiggling = False
while True:
    ready, _, _ = select.select([sys.stdin], [], [], 0.5 if wiggling else None)
    if ready:
        command = sys.stdin.readline().strip()
        if not command:
            break
        if command == "move":
            session.NotifyPointerMotionRelative(5.0, 3.0)
        elif command == "tap":
            session.NotifyKeyboardKeycode(KEY_A, True)
            session.NotifyKeyboardKeycode(KEY_A, False)
        elif command in ("wiggle", "still"):
            wiggling = command == "wiggle"
        else:
            sys.exit("unknown command " + command)
        print(command, flush=True)
    if wiggling:
        session.NotifyPointerMotionRelative(3.0, -2.0)
session.Stop()
