#!/usr/bin/env bash
# The core's floors stand on themselves: none of their files includes the
# tray program's app/ or an OS or toolkit header, so the system watch can
# link the core without either. Platform code lives in subfolders.
cd "$(dirname "$0")/../../src" || exit 2
bad=$(grep -nE '#include ([<"](app/|Q[A-Za-z]|windows\.h|sys/|systemd/|X11/|wayland-|unistd\.h|dbus))' \
    log/*.h log/*.cpp monitor/*.h monitor/*.cpp power/*.h power/*.cpp \
    settings/*.h settings/*.cpp ui/*.h ui/*.cpp watch/*.h watch/*.cpp)
if [ -n "$bad" ]; then
    echo "the core reaches outside itself:"
    echo "$bad"
    exit 1
fi
echo "the core includes nothing of app/ and no OS or toolkit header"
