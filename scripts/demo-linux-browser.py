"""The browser remote's part of the Linux demo: a phone's Chromium pairs by
the QR code the Connect page shows and presses Play/Pause on its Remote tab.
   demo-linux-browser.py PORT CONNECT_PAGE_ADDRESS SHOTS_FOLDER
"""
import os
import sys

from selenium.webdriver.common.by import By

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))
from chromium_phone import PC_NAME, key, pairing_offer, pc_browser, phone_browser, wait_page  # noqa: E402

PORT, CONNECT, SHOTS = int(sys.argv[1]), sys.argv[2], sys.argv[3]

pc = pc_browser()
phone = phone_browser(height=800)
try:
    pc.get(CONNECT)
    address, code = pairing_offer(pc, f"http://{PC_NAME}:{PORT}/")
    pc.save_screenshot(os.path.join(SHOTS, "linux-connect-page.png"))
    print(f"   the Connect page shows a QR code and the code {code}; the phone opens the QR code's address")
    phone.get(address)
    wait_page(phone, "Name this phone, then pair")
    phone.find_element(By.ID, "connect").click()
    wait_page(phone, "Connected")
    print("   the phone's page says: Connected")
    key(phone, "M:play-pause").click()
    print("   the phone presses Play/Pause")
    phone.save_screenshot(os.path.join(SHOTS, "linux-phone.png"))
finally:
    phone.quit()
    pc.quit()
