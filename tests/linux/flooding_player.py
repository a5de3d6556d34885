"""A player at its worst, on the session bus: it says it plays, renames its
track a thousand times a second in PropertiesChanged, and never answers a
call (each waits until the caller gives up).
   flooding_player.py
"""
import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

ROOT = "org.mpris.MediaPlayer2"
PROPERTIES = "org.freedesktop.DBus.Properties"


class Flood(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, "/org/mpris/MediaPlayer2")
        self.count = 0
        GLib.timeout_add(1, self.rename)

    def rename(self):
        self.count += 1
        self.PropertiesChanged(f"{ROOT}.Player", {
            "PlaybackStatus": "Playing",
            "Metadata": dbus.Dictionary({"xesam:title": f"Flood {self.count}"}, signature="sv")}, [])
        return True

    @dbus.service.signal(PROPERTIES, signature="sa{sv}as")
    def PropertiesChanged(self, interface, changed, invalidated):
        pass

    @dbus.service.method(PROPERTIES, in_signature="s", out_signature="a{sv}", async_callbacks=("answer", "failed"))
    def GetAll(self, interface, answer, failed):
        pass  # never answered

    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v", async_callbacks=("answer", "failed"))
    def Get(self, interface, name, answer, failed):
        pass


DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
name = dbus.service.BusName(f"{ROOT}.flood", bus)
flood = Flood(bus)
print("READY", flush=True)
GLib.MainLoop().run()
