"""A desktop's notification server on the session bus, as small as the
freedesktop notification interface allows: each Notify is written down as
"app|replaces|summary|body" in the file named on the command line.
   notification_server.py FILE
"""
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

INTERFACE = "org.freedesktop.Notifications"


class Notifications(dbus.service.Object):
    def __init__(self, bus, record):
        super().__init__(bus, "/org/freedesktop/Notifications")
        self.record = record
        self.last = 0

    @dbus.service.method(INTERFACE, in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app, replaces, icon, summary, body, actions, hints, timeout):
        self.last += 1
        with open(self.record, "a", encoding="utf-8") as record:
            record.write(f"{app}|{replaces}|{summary}|{body}\n")
        return self.last

    @dbus.service.method(INTERFACE, out_signature="as")
    def GetCapabilities(self):
        return ["body"]

    @dbus.service.method(INTERFACE, out_signature="ssss")
    def GetServerInformation(self):
        return ["stand-in", "vork tests", "1", "1.2"]


DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
name = dbus.service.BusName(INTERFACE, bus)
server = Notifications(bus, sys.argv[1])
print("READY", flush=True)
GLib.MainLoop().run()
