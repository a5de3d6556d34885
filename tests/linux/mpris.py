#!/usr/bin/python3
"""A player's own state, read from its MPRIS interface on the session bus.
  mpris.py PLAYER PROPERTY                     prints it (Metadata: its xesam:url)
  mpris.py PLAYER PROPERTY wait VALUE [MS]     until it reads VALUE
  mpris.py PLAYER PROPERTY above NUMBER [MS]   until it reads more than NUMBER
  mpris.py PLAYER PROPERTY below NUMBER [MS]   until it reads less than NUMBER
"""
import sys
import time

import dbus

ROOT = "org.mpris.MediaPlayer2"


def read(player, name):
    bus = dbus.SessionBus()
    proxy = bus.get_object(f"{ROOT}.{player}", "/org/mpris/MediaPlayer2")
    interface = ROOT if name == "Fullscreen" else f"{ROOT}.Player"
    value = proxy.Get(interface, name, dbus_interface="org.freedesktop.DBus.Properties")
    if name == "Metadata":
        return str(value.get("xesam:url", ""))
    if isinstance(value, dbus.Boolean):
        return "true" if value else "false"
    return str(value)


def main(argv):
    player, name = argv[1], argv[2]
    if len(argv) == 3:
        print(read(player, name))
        return 0
    mode, wanted = argv[3], argv[4]
    deadline = time.monotonic() + (int(argv[5]) if len(argv) > 5 else 10000) / 1000
    last = None
    while time.monotonic() < deadline:
        try:
            last = read(player, name)
        except dbus.DBusException as error:
            last = f"(no answer: {error.get_dbus_name()})"
        number = float(last) if last[:1].isdigit() else None
        if ((mode == "wait" and last == wanted) or (mode == "above" and number is not None and number > float(wanted))
                or (mode == "below" and number is not None and number < float(wanted))):
            return 0
        time.sleep(0.1)
    print(f"{player}'s {name} reads {last!r}, not {mode} {wanted!r}")
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
