"""The StatusNotifierItem side of a desktop's tray, as a panel meets it:
   status_notifier.py watch FILE          a watcher and host on the session bus that writes
                                         down each item registered with it ("ITEM SERVICE")
   status_notifier.py show SERVICE        the item's title, tooltip and menu labels
   status_notifier.py click SERVICE LABEL the menu entry with that label clicked, as a panel does
"""
import sys
import time

import dbus
import dbus.service

WATCHER = "org.kde.StatusNotifierWatcher"
ITEM = "org.kde.StatusNotifierItem"
PROPERTIES = "org.freedesktop.DBus.Properties"
# Written out: Qt reads the watcher's properties through its introspection.
WATCHER_XML = f"""<node><interface name="{WATCHER}">
<method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
<method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
<signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
<property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
<property name="ProtocolVersion" type="i" access="read"/>
<property name="RegisteredStatusNotifierItems" type="as" access="read"/>
</interface><interface name="{PROPERTIES}">
<method name="Get"><arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="v" direction="out"/></method>
<method name="GetAll"><arg type="s" direction="in"/><arg type="a{{sv}}" direction="out"/></method>
</interface></node>"""


class Watcher(dbus.service.Object):
    def __init__(self, bus, record):
        super().__init__(bus, "/StatusNotifierWatcher")
        self.record = record
        self.items = []

    @dbus.service.method(WATCHER, in_signature="s", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        # An item names its bus name or, with the sender's name, its path.
        self.items.append(service if not service.startswith("/") else f"{sender}{service}")
        with open(self.record, "a", encoding="utf-8") as record:
            record.write(f"ITEM {self.items[-1]}\n")
        self.StatusNotifierItemRegistered(self.items[-1])

    @dbus.service.method(WATCHER, in_signature="s")
    def RegisterStatusNotifierHost(self, service):
        pass

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemRegistered(self, service):
        pass

    @dbus.service.method("org.freedesktop.DBus.Introspectable", out_signature="s")
    def Introspect(self):
        return WATCHER_XML

    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return self.GetAll(interface)[name]

    @dbus.service.method(PROPERTIES, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return {"IsStatusNotifierHostRegistered": True, "ProtocolVersion": dbus.Int32(0),
                "RegisteredStatusNotifierItems": dbus.Array(self.items, signature="s")}


def item(service):
    name, _, path = service.partition("/")
    return dbus.SessionBus().get_object(name, "/" + (path or "StatusNotifierItem"))


def menu_entries(service):
    """Each entry of the item's menu as (id, label), the mnemonics' & taken out."""
    properties = dbus.Interface(item(service), PROPERTIES)
    menu_path = properties.Get(ITEM, "Menu")
    menu = dbus.Interface(dbus.SessionBus().get_object(service.partition("/")[0], menu_path), "com.canonical.dbusmenu")
    _, layout = menu.GetLayout(0, -1, [])
    entries = []

    def walk(node):
        identifier, props, children = node
        if "label" in props:
            entries.append((int(identifier), str(props["label"]).replace("&", "")))
        for child in children:
            walk(child)
    walk(layout)
    return menu, entries


def main():
    if sys.argv[1] == "watch":
        from dbus.mainloop.glib import DBusGMainLoop
        from gi.repository import GLib
        DBusGMainLoop(set_as_default=True)
        bus = dbus.SessionBus()
        name = dbus.service.BusName(WATCHER, bus)  # noqa: F841 (held while the loop runs)
        watcher = Watcher(bus, sys.argv[2])  # noqa: F841
        print("READY", flush=True)
        GLib.MainLoop().run()
    elif sys.argv[1] == "show":
        properties = dbus.Interface(item(sys.argv[2]), PROPERTIES)
        tip = properties.Get(ITEM, "ToolTip")
        print(f"title={properties.Get(ITEM, 'Title')}")
        print(f"tooltip={tip[2]}")
        print("menu=" + "|".join(label for _, label in menu_entries(sys.argv[2])[1]))
    elif sys.argv[1] == "click":
        menu, entries = menu_entries(sys.argv[2])
        wanted = [identifier for identifier, label in entries if label == sys.argv[3]]
        if not wanted:
            sys.exit(f"no menu entry {sys.argv[3]!r} among {[label for _, label in entries]}")
        menu.Event(wanted[0], "clicked", dbus.String("", variant_level=1), dbus.UInt32(int(time.time())))


main()
