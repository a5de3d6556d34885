#!/usr/bin/python3
"""Vork's window as a screen reader finds it over AT-SPI, for the tests.

  window_reader.py state             status=, notice=, address=, and each button's showing (1/0)
  window_reader.py wait-status TEXT [MS]
  window_reader.py press NAME        the button's own action, as a screen reader's user presses it
"""
import sys
import time

import pyatspi

CAPTION = "Pellandra v1.2"


def window():
    for app in pyatspi.Registry.getDesktop(0):
        if app is None:
            continue
        for frame in app:
            if frame is not None and frame.name == CAPTION:
                return frame
    return None


def controls(frame):
    labels, buttons = [], {}
    for child in frame:
        role = child.getRoleName()
        if role == "label":
            labels.append(child)
        elif role == "push button":
            buttons[child.name] = child
    return labels, buttons


def showing(node):
    return 1 if node.getState().contains(pyatspi.STATE_SHOWING) else 0


def state():
    frame = window()
    if frame is None:
        return None
    labels, buttons = controls(frame)
    names = [label.name if showing(label) else "" for label in labels]
    names += [""] * (3 - len(names))
    result = {"status": names[0], "notice": names[1], "address": names[2]}
    for name in ("ACCEPT", "DECLINE", "HIDE"):
        result[name.lower()] = showing(buttons[name]) if name in buttons else 0
    return result


def main(argv):
    if argv[1] == "state":
        now = state()
        if now is None:
            print("no window")
            return 1
        for key, value in now.items():
            print(f"{key}={value}")
        return 0
    if argv[1] == "wait-status":
        wanted, limit = argv[2], int(argv[3]) if len(argv) > 3 else 15000
        deadline = time.monotonic() + limit / 1000
        last = None
        while time.monotonic() < deadline:
            now = state()
            last = now["status"] if now else "(no window)"
            if last == wanted:
                return 0
            time.sleep(0.05)
        print(f'status is "{last}", not "{wanted}"')
        return 1
    if argv[1] == "press":
        frame = window()
        buttons = controls(frame)[1] if frame else {}
        button = buttons.get(argv[2])
        if button is None or not showing(button):
            print(f"no {argv[2]} button showing")
            return 1
        action = button.queryAction()
        for i in range(action.nActions):
            if action.getName(i) in ("press", "Press", "click"):
                action.doAction(i)
                return 0
        action.doAction(0)
        return 0
    print(__doc__)
    return 64


if __name__ == "__main__":
    sys.exit(main(sys.argv))
