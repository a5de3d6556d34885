#!/usr/bin/python3
"""What a real application shows of itself, read from the application or the
sound server, never from Vork:
  app_state.py sound                 loud, faint or silent: what the sound server plays
  app_state.py title PLAYER          the MPRIS xesam:title of the player's item
  app_state.py slide PIPE            the slide the Impress show is on (0 the first), or "none"
  app_state.py okular-page PID       the page Okular is on (1 the first)
  app_state.py evince-page           the page in Evince's page box
  app_state.py WHAT [ARG] wait VALUE [MS]   until it reads VALUE
  app_state.py make-show PIPE FILE   writes a presentation of three slides
  app_state.py focus APP BUTTON      gives the keyboard focus to the application's button
"""
import struct
import subprocess
import sys
import time

import dbus


def sound():
    # A second of what the player plays after its own volume and mute and the
    # system's: long enough that the gap between two items is not taken for a mute.
    recorded = subprocess.run(
        ["timeout", "1", "parec", "--device=vork_null.monitor", "--raw", "--format=s16le", "--channels=1",
         "--rate=8000", "--latency-msec=50"], capture_output=True, check=False).stdout
    samples = struct.unpack(f"<{len(recorded) // 2}h", recorded[:len(recorded) // 2 * 2])
    peak = max((abs(sample) for sample in samples), default=0)
    return "loud" if peak > 2000 else "silent" if peak < 100 else "faint"


def title(player):
    proxy = dbus.SessionBus().get_object(f"org.mpris.MediaPlayer2.{player}", "/org/mpris/MediaPlayer2")
    metadata = proxy.Get("org.mpris.MediaPlayer2.Player", "Metadata", dbus_interface="org.freedesktop.DBus.Properties")
    return str(metadata.get("xesam:title", ""))


def office(pipe):
    import uno  # pylint: disable=import-outside-toplevel
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
    deadline = time.monotonic() + 60
    while True:  # until the office listens on its pipe
        try:
            context = resolver.resolve(f"uno:pipe,name={pipe};urp;StarOffice.ComponentContext")
            break
        except Exception:  # pylint: disable=broad-except
            if time.monotonic() > deadline:
                raise
            time.sleep(0.2)
    return context.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", context)


def slide(pipe):
    for document in office(pipe).Components:
        if document.supportsService("com.sun.star.presentation.PresentationDocument"):
            show = document.Presentation
            if show.isRunning() and show.Controller:
                return str(show.Controller.getCurrentSlideIndex())
    return "none"


def make_show(pipe, path):
    import uno  # pylint: disable=import-outside-toplevel
    from com.sun.star.beans import PropertyValue  # pylint: disable=import-outside-toplevel,import-error
    hidden = PropertyValue(Name="Hidden", Value=True)
    document = office(pipe).loadComponentFromURL("private:factory/simpress", "_blank", 0, (hidden,))
    pages = document.DrawPages
    while pages.Count < 3:
        pages.insertNewByIndex(pages.Count - 1)
    for number in range(3):
        text = document.createInstance("com.sun.star.drawing.TextShape")
        pages.getByIndex(number).add(text)
        text.String = f"Slide {number + 1}"
    document.storeToURL(uno.systemPathToFileUrl(path), (PropertyValue(Name="FilterName", Value="impress8"),))
    document.close(True)


def okular_page(pid):
    proxy = dbus.SessionBus().get_object(f"org.kde.okular-{pid}", "/okular")
    return str(proxy.currentPage(dbus_interface="org.kde.okular"))


def accessible(app_name, name):
    import pyatspi  # pylint: disable=import-outside-toplevel

    def find(node, depth=0):
        if node is None or depth > 30:
            return None
        if node.name == name:
            return node
        for child in node:
            found = find(child, depth + 1)
            if found:
                return found
        return None

    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == app_name:
            found = find(app)
            if found:
                return found
    return None


def evince_page():
    entry = accessible("evince", "page-label-entry")
    return entry.queryText().getText(0, -1) if entry else "(no page box)"


READERS = {"sound": sound, "title": title, "slide": slide, "okular-page": okular_page, "evince-page": evince_page}


def main(argv):
    if argv[1] == "make-show":
        make_show(argv[2], argv[3])
        return 0
    if argv[1] == "focus":
        button = accessible(argv[2], argv[3])
        return 0 if button and button.queryComponent().grabFocus() else 1
    what, rest = argv[1], argv[2:]
    args = rest[:rest.index("wait")] if "wait" in rest else rest
    if "wait" not in rest:
        print(READERS[what](*args))
        return 0
    wanted = rest[len(args) + 1]
    deadline = time.monotonic() + (int(rest[len(args) + 2]) if len(rest) > len(args) + 2 else 10000) / 1000
    last = None
    while time.monotonic() < deadline:
        try:
            last = READERS[what](*args)
        except Exception as error:  # pylint: disable=broad-except
            last = f"(no answer: {error})"
        if last == wanted:
            return 0
        time.sleep(0.1)
    print(f"{what} reads {last!r}, not {wanted!r}")
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
