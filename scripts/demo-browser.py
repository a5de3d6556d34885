"""The browser remote's part of scripts/demo: a phone's browser (Debian's
headless Chromium at a phone's size) opens Vork's page, asks, is accepted and
taps keys. Run by demo-session with VORK_WINE_RUN and VORK_PROBE set.
   demo-browser.py URL SCREENSHOT
"""
import os
import sys
import time

from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from chromium_phone import phone_browser, probe  # noqa: E402

URL, SHOT = sys.argv[1], sys.argv[2]


def page_state():
    return driver.find_element(By.ID, "state").text


driver = phone_browser()
try:
    driver.get(URL)
    print(f'   page: "{page_state()}", name filled in: "{driver.find_element(By.ID, "name").get_attribute("value")}"')
    driver.find_element(By.ID, "connect").click()
    probe("wait-status", "Pixel 7 requesting connection.", "15000")
    print(f'   window: "{probe("state").splitlines()[0][len("status="):]}"; page: "{page_state()}"')
    probe("click", "1000")
    WebDriverWait(driver, 15).until(lambda d: page_state() == "Connected")
    print(f'   the user clicked ACCEPT; page: "{page_state()}"')
    for key in ("D:1", "D:5"):
        driver.find_element(By.CSS_SELECTOR, f'#remote .key[data-key="{key}"]').click()
        time.sleep(0.3)
    driver.save_screenshot(SHOT)
    print(f"   screenshot of the page: {os.path.relpath(SHOT)}")
finally:
    driver.quit()
