"""The browser remote's part of scripts/demo: the PC's browser shows Vork's
Connect page (the QR code read back with zbarimg), and a phone's browser
(Debian's headless Chromium at a phone's size) opens the QR code's address,
pairs without anyone clicking ACCEPT, taps keys on the keypad (which names
what each does in the player in front) and types into the player's window.
Run by demo-session with VORK_WINE_RUN, VORK_PROBE and VORK_KEYS (the
player's record) set.
   demo-browser.py PORT CONNECT_PAGE_ADDRESS SCREENSHOT_FOLDER
"""
import os
import re
import subprocess
import sys
import time

from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from chromium_phone import PC_NAME, key, page_state, pc_browser, phone_browser, probe, recorded, wait_page  # noqa: E402

PORT, CONNECT, SHOTS = sys.argv[1], sys.argv[2], sys.argv[3]

pc = pc_browser()
phone = phone_browser(height=800)
try:
    pc.get(CONNECT)
    WebDriverWait(pc, 15).until(lambda d: "#pair=" in (d.find_element(By.ID, "qr").get_attribute("data-address") or ""))
    address = pc.find_element(By.ID, "qr").get_attribute("data-address")
    print(f'   Connect page: "{pc.find_element(By.ID, "remote-state").text}"')
    print(f'   the code to type instead: {pc.find_element(By.ID, "code").text}')
    pc.save_screenshot(f"{SHOTS}/connect-page.png")
    decoded = subprocess.run(["zbarimg", "-q", "--raw", f"{SHOTS}/connect-page.png"], capture_output=True, text=True,
                             check=False).stdout.strip()
    print(f"   the QR code reads the address with its secret: {decoded[:decoded.find('#') + 6]}\u2026")
    print("   screenshot of the Connect page: connect-page.png")

    # The phone reaches the PC by its name here; on a real network by the address.
    phone.get(re.sub(r"^http://[^/]+/", f"http://{PC_NAME}:{PORT}/", decoded or address))
    wait_page(phone, "Name this phone, then pair")
    print(f'   phone: "{page_state(phone)}", name filled in: "{phone.find_element(By.ID, "name").get_attribute("value")}"')
    phone.find_element(By.ID, "connect").click()
    wait_page(phone, "Connected")
    print(f'   phone: "{page_state(phone)}"; window: "{probe("state").splitlines()[0][len("status="):]}" (nobody clicked ACCEPT)')
    phone.save_screenshot(f"{SHOTS}/browser-remote.png")
    print("   screenshot of the phone's page: browser-remote.png")

    phone.find_element(By.ID, "tab-keypad").click()
    WebDriverWait(phone, 10).until(lambda d: key(d, "D:1").text.endswith("Previous"))
    header = phone.find_element(By.ID, "app").text
    labels = ", ".join(key(phone, c).text.replace("\n", ": ") for c in ("D:1", "D:3", "D:5", "D:*"))
    print(f'   the keypad names the player in front, "{header}", and what its keys do there: {labels}')
    # What Vork's table has VLC do with them, as the player records it.
    wanted = {"D:1": ("1: Previous", "P", ["KEYDOWN 50 scan 19", "CHAR 0070", "KEYUP 50 scan 19 ext"]),
              "D:5": ("5: Play/Pause", "the space bar", ["KEYDOWN 20 scan 39", "CHAR 0020", "KEYUP 20 scan 39 ext"])}
    for command, (said, name, lines) in wanted.items():
        before = len([line for line in recorded() if line != "READY"])
        key(phone, command).click()
        deadline = time.time() + 5
        while time.time() < deadline and len([line for line in recorded() if line != "READY"]) < before + len(lines):
            time.sleep(0.1)
        got = [line for line in recorded() if line != "READY"][before:]
        if got != lines:
            sys.exit(f"FAILED: the keypad's {said}: the player got {got}, not {lines}")
        print(f"   the keypad's {said} \u2013 the player got {name}")
    phone.save_screenshot(f"{SHOTS}/remote-keypad.png")
    print("   screenshot of the keypad: remote-keypad.png")

    def characters():
        return [int(line[5:], 16) for line in recorded() if line.startswith("CHAR ")]

    before = len(characters())  # the keypad's P and space were characters too
    phone.find_element(By.ID, "tab-keyboard").click()
    phone.execute_script("document.getElementById('typing').focus()")
    for word in ("Hello ", "from ", "the ", "phone ", "\u2713"):
        phone.execute_cdp_cmd("Input.insertText", {"text": word})  # as a phone keyboard commits it
        time.sleep(0.2)
    time.sleep(0.5)
    units = characters()[before:]
    typed = b"".join(unit.to_bytes(2, "little") for unit in units).decode("utf-16-le", "replace")
    if typed != "Hello from the phone \u2713":
        sys.exit(f"FAILED: typed on the phone, the player received {typed!r}")
    print(f"   typed on the phone, the player's window received the characters {typed!r}")
    phone.save_screenshot(f"{SHOTS}/remote-keyboard.png")
    print("   screenshot of the keyboard: remote-keyboard.png")
finally:
    phone.quit()
    pc.quit()
