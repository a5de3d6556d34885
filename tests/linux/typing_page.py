"""The browser remote on Linux as a phone uses it: headless Chromium at a
phone's size, paired by the Connect page's QR code, typing Unicode text
(accents, a check mark, an emoji, which no key of the layout types) and
Backspace into a recording X11 window, and a two-finger drag on the
touchpad that turns and tilts the wheel there. Run by typing.sh with Vork up
(--web=PORT) and the recorder in front; exits non-zero with the failing step.
   typing_page.py PORT CONNECT_PAGE_ADDRESS
"""
import os
import re
import subprocess
import sys
import time

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "e2e"))
from chromium_phone import PC_NAME, fail, key, pair_by_qr_code, pc_browser, phone_browser, step  # noqa: E402

PORT, CONNECT = int(sys.argv[1]), sys.argv[2]
URL = f"http://{PC_NAME}:{PORT}/"
TYPED = "h\u00e9llo w\u00f6rld \u2713 \U0001F600"


def typed_text():
    """What the recorder's key presses spell, each Backspace taking one character."""
    text = []
    with open(os.environ["VORK_KEYS"], encoding="utf-8") as keys:
        for line in keys.read().splitlines():
            parts = line.split()
            if len(parts) != 3 or parts[0] != "KEYDOWN":
                continue
            if parts[1] == "BackSpace":
                text = text[:-1]
            elif int(parts[2][2:], 16) >= 0x20:
                text.append(chr(int(parts[2][2:], 16)))
    return "".join(text)


def wait_text(wanted, seconds=10):
    deadline = time.time() + seconds
    while time.time() < deadline and typed_text() != wanted:
        time.sleep(0.1)
    if typed_text() != wanted:
        fail(f"the window reads {typed_text()!r}, expected {wanted!r}")


def sink_volume():
    """The default sink's volume in per cent, as the sound server reports it."""
    said = subprocess.run(["pactl", "get-sink-volume", "@DEFAULT_SINK@"], capture_output=True, text=True).stdout
    return int(re.search(r"(\d+)%", said).group(1))


def wheel_buttons():
    """The X buttons the recorder saw pressed: 4 and 5 turn the wheel, 6 and 7 tilt it."""
    with open(os.environ["VORK_KEYS"], encoding="utf-8") as keys:
        return {line.split()[1] for line in keys.read().splitlines() if line.startswith("BUTTON ") and "down" in line}


def touch(phone, kind, points):
    phone.execute_cdp_cmd("Input.dispatchTouchEvent", {
        "type": kind, "touchPoints": [{"x": x, "y": y, "id": i} for i, (x, y) in enumerate(points)]})


def hold(phone, element, seconds):
    ActionChains(phone).click_and_hold(element).pause(seconds).release().perform()


def main():
    pc = pc_browser()
    phone = phone_browser(height=800, touch=True)
    try:
        step("the phone pairs by the QR code's address")
        pair_by_qr_code(pc, phone, CONNECT, URL)

        step("the keypad's 5 types a space in a window Vork does not know")
        phone.find_element(By.ID, "tab-keypad").click()
        key(phone, "D:5").click()
        wait_text(" ")

        step("Vol + and Vol \u2212 step the sound server's volume, 5 % at a time, never past 100 %")
        subprocess.run(["pactl", "set-sink-volume", "@DEFAULT_SINK@", "50%"], check=True)
        phone.find_element(By.ID, "tab-remote").click()
        hold(phone, key(phone, "M:volume-up"), 0.5)
        time.sleep(0.3)
        if sink_volume() <= 50 or (sink_volume() - 50) % 5 != 0:
            fail(f"after Vol + the volume is {sink_volume()} %, not a few 5 % steps above 50 %")
        subprocess.run(["pactl", "set-sink-volume", "@DEFAULT_SINK@", "98%"], check=True)
        hold(phone, key(phone, "M:volume-up"), 0.5)
        time.sleep(0.3)
        if sink_volume() != 100:
            fail(f"Vol + from 98 % left the volume at {sink_volume()} %, not 100 %")
        hold(phone, key(phone, "M:volume-down"), 0.5)
        time.sleep(0.3)
        if sink_volume() >= 100:
            fail(f"after Vol \u2212 the volume is still {sink_volume()} %")

        step(f"typed on the phone, {TYPED!r} reaches the window as those characters")
        phone.find_element(By.ID, "tab-keyboard").click()
        phone.execute_script("document.getElementById('typing').focus()")
        for part in ("h", "\u00e9", "llo", " ", "w\u00f6rld", " ", "\u2713", " ", "\U0001F600"):
            phone.execute_cdp_cmd("Input.insertText", {"text": part})
            time.sleep(0.05)
        wait_text(" " + TYPED)

        step("Backspace takes the emoji and the space before it")
        line = phone.find_element(By.ID, "typing")
        line.send_keys(Keys.BACKSPACE)
        line.send_keys(Keys.BACKSPACE)
        wait_text(" h\u00e9llo w\u00f6rld \u2713")

        # Last: after a touch gesture, Chromium's emulation takes no more clicks.
        phone.find_element(By.ID, "tab-remote").click()
        step("two fingers dragging down and to the right scroll the window up and to the left")
        x, y = phone.execute_script(
            "const r = document.getElementById('touchpad').getBoundingClientRect(); return [r.x + 20, r.y + 20]")
        touch(phone, "touchStart", [(x, y), (x + 30, y)])
        for moved in range(10, 70, 10):
            touch(phone, "touchMove", [(x + moved, y + moved), (x + 30 + moved, y + moved)])
            time.sleep(0.02)
        touch(phone, "touchEnd", [])
        deadline = time.time() + 5
        while time.time() < deadline and wheel_buttons() != {"4", "6"}:
            time.sleep(0.1)
        if wheel_buttons() != {"4", "6"}:
            fail(f"the window saw the wheel's buttons {sorted(wheel_buttons())}, expected 4 (up) and 6 (left)")
    finally:
        phone.quit()
        pc.quit()


main()
