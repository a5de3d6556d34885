"""Page tap to the player's WM_KEYDOWN for the browser remote, under Wine.

   web_latency.py URL COUNT PLAYER_OUTPUT
Vork (vork-loopback.exe --web) and `latency_bench player` run already; the
probe (VORK_WINE_RUN, VORK_PROBE) clicks ACCEPT. Each tap is a pointerdown
raised inside the page on its "1" key, timed with the page's wall clock; the
player prints the wall-clock time of each WM_KEYDOWN. Prints
"web-key median p10 p90" in microseconds.
"""
import os
import sys
import time

from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from chromium_phone import phone_browser, probe  # noqa: E402

URL, COUNT, PLAYER = sys.argv[1], int(sys.argv[2]), sys.argv[3]
WARM_UP = 20

driver = phone_browser(as_phone=False)
driver.set_script_timeout(COUNT * 0.2 + 60)  # the taps run inside one script
try:
    driver.get(URL)
    driver.find_element(By.ID, "connect").click()
    probe("wait-status", "Browser requesting connection.", "15000")
    probe("click", "1000")
    WebDriverWait(driver, 15).until(lambda d: d.find_element(By.ID, "state").text == "Connected")
    taps = driver.execute_async_script("""
        const [count, done] = [arguments[0], arguments[arguments.length - 1]];
        const key = document.querySelector('#remote .key[data-key="D:1"]');
        const times = [];
        const tap = () => {
          times.push((performance.timeOrigin + performance.now()) * 1000);
          key.dispatchEvent(new PointerEvent('pointerdown', {bubbles: true, cancelable: true, pointerId: 7}));
          if (times.length < count) setTimeout(tap, 60); else done(times);
        };
        tap();""", COUNT + WARM_UP)
finally:
    driver.quit()

deadline = time.time() + 30
while time.time() < deadline:
    with open(PLAYER, encoding="utf-8") as output:
        downs = [float(line) for line in output.read().replace("\r", "").split()[1:]]
    if len(downs) >= len(taps):
        break
    time.sleep(0.2)
else:
    sys.exit(f"only {len(downs)} of {len(taps)} taps reached the player")

latencies = sorted(down - tap for tap, down in zip(taps[WARM_UP:], downs[WARM_UP:]))
at = lambda q: latencies[int(q * (len(latencies) - 1))]
print(f"web-key {at(0.5):.1f} {at(0.1):.1f} {at(0.9):.1f}")
