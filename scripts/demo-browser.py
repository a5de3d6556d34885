"""The browser remote's part of scripts/demo: the PC's browser shows Vork's
Connect page (the QR code read back with zbarimg), and a phone's browser
(Debian's headless Chromium at a phone's size) opens the QR code's address,
pairs without anyone clicking ACCEPT, and taps keys. Run by demo-session
with VORK_WINE_RUN and VORK_PROBE set.
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
from chromium_phone import PC_NAME, pc_browser, phone_browser, probe  # noqa: E402

PORT, CONNECT, SHOTS = sys.argv[1], sys.argv[2], sys.argv[3]

pc = pc_browser()
phone = phone_browser()
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
    print("   screenshot of the Connect page: build/demo/connect-page.png")

    # The phone reaches the PC by its name here; on a real network by the address.
    phone.get(re.sub(r"^http://[^/]+/", f"http://{PC_NAME}:{PORT}/", decoded or address))
    state = lambda: phone.find_element(By.ID, "state").text  # noqa: E731
    WebDriverWait(phone, 15).until(lambda d: state() == "Name this phone, then pair")
    print(f'   phone: "{state()}", name filled in: "{phone.find_element(By.ID, "name").get_attribute("value")}"')
    phone.find_element(By.ID, "connect").click()
    WebDriverWait(phone, 15).until(lambda d: state() == "Connected")
    print(f'   phone: "{state()}"; window: "{probe("state").splitlines()[0][len("status="):]}" (nobody clicked ACCEPT)')
    for key in ("D:1", "D:5"):
        phone.find_element(By.CSS_SELECTOR, f'#remote .key[data-key="{key}"]').click()
        time.sleep(0.3)
    phone.save_screenshot(f"{SHOTS}/browser-remote.png")
    print("   screenshot of the phone's page: build/demo/browser-remote.png")
finally:
    phone.quit()
    pc.quit()
