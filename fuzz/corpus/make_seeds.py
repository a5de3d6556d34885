#!/usr/bin/env python3
"""Writes the fuzz targets' seed inputs beside this script."""
import os

HERE = os.path.dirname(os.path.abspath(__file__))


def pieces(*items):
    out = bytearray()
    for control, text in items:
        out += bytes((control, len(text))) + text
    return bytes(out)


SEEDS = {
    "protocol": {
        "accepted-session": pieces((0x04, b"LOGIN:1MyPhone"), (0, b"D:1"), (0, b"U:X"), (0, b"LOGIN:1MyPhone")),
        "declined-then-late-accept": pieces((0x08, b"LOGIN:2Other"), (0x30, b"D:5")),
        "trusted-return": pieces((0x04, b"LOGIN:1A"), (0x01, b"LOGIN:1A"), (0x03, b"LOGIN:1A")),
        "not-logins": pieces((0, b"login:1x"), (0, b"LOGIN"), (0, b""), (0x10, b"D:E")),
    },
    "web_session": {  # control 0x01: the stranger's raw bytes; else sealed for the paired page
        "use": pieces((0, b"key D:1"), (0, b"move 5 -3"), (0, b"key D:R"), (0x10, b"beat"), (0, b"release"),
                      (0, b"scroll -120"), (0, b"click right"), (0, b"key U:X")),
        "stranger": pieces((0x01, b"pair qr 04" + b"ab" * 64), (0x01, b"confirm " + b"00" * 32), (0x01, b"key D:1"),
                           (0x03, b"hello " + b"11" * 16 + b" 1 04" + b"22" * 64), (0x03, b"pair code 02" + b"33" * 32)),
        "remembered": pieces((0, b"key D:1"), (0x0A, b"key D:2"), (0x0A, b"rekeyed 1"), (0x02, b"key U:X"),
                             (0x0A, b"key D:3")),
        "raw-to-sealed": pieces((0, b"key D:5"), (0x04, b"key D:1"), (0, b"key D:2")),
        "reopen": pieces((0, b"key D:U"), (0x02, b"key D:5"), (0x12, b"beat"), (0, b"name again")),
        "bad-messages": pieces((0, b"move 1"), (0, b"hello"), (0, b"key "), (0, b"scroll 99999"), (0, b"click middle")),
        "typing": pieces((0, "text 0 h\u00e9llo \U0001F600".encode()), (0, b"text 2 "), (0, b"press c ctrl"),
                         (0, b"media volume-up"), (0x10, b"beat"), (0, b"visible 0"), (0, b"text 0 \xc3"),
                         (0, b"press ( ctrl"), (0, b"text -1 a")),
    },
    "key_sender": {
        name: text
        for name, text in {
            "ctrl-left": b"^{LEFT}",
            "alt-enter": b"%{ENTER}",
            "group": b"+(ab)c",
            "delays": b"{DELAY=10}ab{DELAY 5}c",
            "numlock": b"{NUMLOCK 2}",
            "beep": b"{BEEP 440 200}",
            "activate": b"{APPACTIVATE Notepad}x",
            "vkey": b"{VKEY 321}{VKEY -1}",
            "counts": b"{LEFT 3}{left 0}{F1}{PLUS}",
            "open-group": b"ab{LEFT",
        }.items()
    },
    "receive": {  # the first byte limits each send (0: whole sends)
        "session": b"\0" + pieces((0x04, b"LOGIN:1MyPhone"), (0, b"D:1"), (0, b"D:R"), (0, b"D:1\0tail")),
        "joined": b"\0" + pieces((0x05, b"LOGIN:1PhoneD:1")),
        "big": b"\x07" + bytes((0x40, 128)) + b"x" * 1024 + bytes((0, 4)) + b"D:#!",
        "short-sends": b"\x03" + pieces((0x04, b"LOGIN:1Slow"), (0, b"D:5")),
        "over-long": b"\0" + bytes((0x44, 200)) + b"y" * 1600 + bytes((0, 3)) + b"D:5",
        "terminal": b"\x02" + pieces((0x04, b"LOGIN:1Pixel\r\n"), (0, b"D:1\r"), (0, b"\nD:R\r\nS\r\n")),
        "split-lines": b"\0" + pieces((0, b"\n"), (0x04, b"LOG"), (0, b"IN:1P\r"), (0, b"\n\n\r"), (0, b"D:1\0x\n")),
        "long-line": b"\x05" + bytes((0x44, 1)) + b"\n" + bytes((0x40, 200)) + b"z" * 1600 + bytes((0, 4)) + b"\nD:5",
    },
}

for target, seeds in SEEDS.items():
    folder = os.path.join(HERE, target)
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)
