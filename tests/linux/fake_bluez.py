#!/usr/bin/python3
"""A BlueZ of the tests' own, on the bus $DBUS_SYSTEM_BUS_ADDRESS names: one
adapter (hci0, powered unless --off), the ProfileManager1 that Vork registers
its Serial Port profile with, and phones that connect over TCP on
127.0.0.1:PORT, each handed to the registered profile's NewConnection as a
device whose address is made from the phone's (127.0.0.2 is another device
than 127.0.0.1) and whose alias is --alias; on SIGTERM it lets the profile
go (Release), as BlueZ does when it stops. Writes what Vork asked of it.
   fake_bluez.py PORT [--alias NAME] [--off]
"""
import signal
import socket
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

ADAPTER = "/org/bluez/hci0"


def say(line):
    print(line, flush=True)


class Manager(dbus.service.Object):
    def __init__(self, bus, powered, alias):
        super().__init__(bus, "/")
        self.bus, self.powered, self.alias = bus, powered, alias
        self.profile = None
        self.devices = {}

    @dbus.service.method("org.freedesktop.DBus.ObjectManager", out_signature="a{oa{sa{sv}}}")
    def GetManagedObjects(self):
        objects = {ADAPTER: {"org.bluez.Adapter1": {"Powered": dbus.Boolean(self.powered), "Address": "00:11:22:33:44:55"}}}
        for path, address in self.devices.items():
            objects[path] = {"org.bluez.Device1": {"Address": address, "Alias": self.alias}}
        return objects


class ProfileManager(dbus.service.Object):
    def __init__(self, bus, manager):
        super().__init__(bus, "/org/bluez")
        self.manager = manager

    @dbus.service.method("org.bluez.ProfileManager1", in_signature="osa{sv}", sender_keyword="sender")
    def RegisterProfile(self, path, uuid, options, sender=None):
        self.manager.profile = (sender, path)
        keys = " ".join(f"{key}={bool(value) if isinstance(value, dbus.Boolean) else value}"
                        for key, value in sorted(options.items()))
        say(f"REGISTERED {uuid} {keys}")

    @dbus.service.method("org.bluez.ProfileManager1", in_signature="o")
    def UnregisterProfile(self, path):
        self.manager.profile = None
        say("UNREGISTERED")


class Device(dbus.service.Object):
    def __init__(self, bus, path, address, alias):
        super().__init__(bus, path)
        self.values = {"Address": address, "Alias": alias}

    @dbus.service.method("org.freedesktop.DBus.Properties", in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return self.values[name]


def main():
    port = int(sys.argv[1])
    alias = sys.argv[sys.argv.index("--alias") + 1] if "--alias" in sys.argv else "Pixel 7"
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SystemBus()
    manager = Manager(bus, "--off" not in sys.argv, alias)
    ProfileManager(bus, manager)
    listening = socket.create_server(("127.0.0.1", port))

    def accepted(source, condition):
        phone, (host, _) = listening.accept()
        last = host.split(".")[-1]
        address = f"AA:BB:CC:DD:EE:{int(last):02X}"
        path = f"{ADAPTER}/dev_{address.replace(':', '_')}"
        if path not in manager.devices:
            manager.devices[path] = address
            Device(bus, path, address, alias)
        if manager.profile is None:
            say("NO PROFILE: a phone was turned away")
            phone.close()
            return True
        sender, profile = manager.profile
        # BlueZ's own accept leaves the socket it hands over non-blocking.
        phone.setblocking(False)
        vork = dbus.Interface(bus.get_object(sender, profile), "org.bluez.Profile1")
        vork.NewConnection(path, dbus.types.UnixFd(phone.fileno()), {}, timeout=5)
        phone.close()  # Vork has its own copy
        say(f"HANDED {address}")
        return True

    loop = GLib.MainLoop()

    def stopping():
        # As BlueZ does when it stops: each registered profile is let go.
        if manager.profile is not None:
            sender, profile = manager.profile
            dbus.Interface(bus.get_object(sender, profile), "org.bluez.Profile1").Release(timeout=5)
            say("RELEASED")
        loop.quit()
        return False

    GLib.unix_signal_add(GLib.PRIORITY_HIGH, signal.SIGTERM, stopping)
    GLib.io_add_watch(listening.fileno(), GLib.IO_IN, accepted)
    bus.request_name("org.bluez")
    say("READY")
    loop.run()


main()
