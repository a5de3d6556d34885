"""The browser remote's part of scripts/demo: a phone's browser (Debian's
headless Chromium at a phone's size) opens Vork's page, asks, is accepted and
taps keys. Run by demo-session with VORK_WINE_RUN and VORK_PROBE set.
   demo-browser.py URL SCREENSHOT
"""
import os
import subprocess
import sys
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

URL, SHOT = sys.argv[1], sys.argv[2]


def probe(*args):
    result = subprocess.run([os.environ["VORK_WINE_RUN"], os.environ["VORK_PROBE"], *args],
                            capture_output=True, text=True, check=False)
    return result.stdout.replace("\r", "").strip()


def page_state():
    return driver.find_element(By.ID, "state").text


options = webdriver.ChromeOptions()
options.binary_location = "/usr/bin/chromium"
for argument in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage", "--window-size=412,915"):
    options.add_argument(argument)
options.add_experimental_option("mobileEmulation", {
    "deviceMetrics": {"width": 412, "height": 915, "pixelRatio": 2},
    "userAgent": "Mozilla/5.0 (Linux; Android 14; Pixel 7 Build/UQ1A) AppleWebKit/537.36 Mobile Safari/537.36"})
driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
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
