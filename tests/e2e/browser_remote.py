"""The browser remote's steps in headless Chromium (Debian's, with its driver).

Run by browser.sh with Vork and a recording "VLC" window already up; the probe
reads and clicks Vork's window. Exits non-zero with the failing step's message.
Set VORK_PAGE_SHOT=FILE to keep a picture of the connected page.
"""
import http.client
import os
import socket
import subprocess
import sys
import time

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

from chromium_phone import ProbeError, phone_browser, probe

URL = sys.argv[1]


def step(text):
    print("--", text, flush=True)


def fail(text):
    print("FAILED:", text, file=sys.stderr, flush=True)
    sys.exit(1)


def vork_state(key):
    for line in probe("state").splitlines():
        if line.startswith(key + "="):
            return line[len(key) + 1:]
    return None


def cursor_x():
    return int(probe("cursor").split()[0])


def page_state(driver):
    return driver.find_element(By.ID, "state").text


def wait_page(driver, wanted, seconds=15):
    try:
        WebDriverWait(driver, seconds).until(lambda d: page_state(d) == wanted)
    except Exception:
        fail(f'the page never read "{wanted}" (it reads "{page_state(driver)}"; Vork\'s address line: '
             f'"{vork_state("address")}")')


def wait_keys(line, seconds=10):
    deadline = time.time() + seconds
    while time.time() < deadline:
        with open(os.environ["VORK_KEYS"], encoding="utf-8", errors="replace") as keys:
            if line in keys.read().splitlines():
                return
        time.sleep(0.1)
    fail(f'"{line}" never reached the player')


def key(driver, command):
    return driver.find_element(By.CSS_SELECTOR, f'#remote .key[data-key="{command}"]')


def main():
    phone = phone_browser()
    try:
        step("the page asks for a name, filled in from the phone, and Vork asks the user")
        phone.get(URL)
        wait_page(phone, "Not connected")
        name = phone.find_element(By.ID, "name").get_attribute("value")
        if name != "Pixel 7":
            fail(f'the name is "{name}", expected the phone\'s model')
        phone.find_element(By.ID, "connect").click()
        probe("wait-status", "Pixel 7 requesting connection.", "15000")
        wait_page(phone, "Asking the PC \u2013 answer ACCEPT there")
        probe("click", "1000")
        wait_page(phone, "Connected")
        if vork_state("status") != "Connected.":
            fail(f'Vork reads "{vork_state("status")}" after ACCEPT')
        if os.environ.get("VORK_PAGE_SHOT"):
            phone.save_screenshot(os.environ["VORK_PAGE_SHOT"])

        step('tapping "1" with VLC in front gives P there')
        key(phone, "D:1").click()
        wait_keys("KEYDOWN 50 scan 19")

        step("a drag on the touchpad moves the pointer by twice the finger's way")
        probe("one-to-one")
        pad = phone.find_element(By.ID, "touchpad")
        before = cursor_x()
        ActionChains(phone).move_to_element(pad).click_and_hold().move_by_offset(40, 0).move_by_offset(40, 0) \
            .release().perform()
        time.sleep(0.5)
        moved = cursor_x() - before
        if not 140 <= moved <= 180:
            fail(f"a drag of 80 px moved the pointer {moved} px, expected about 160")

        step("holding the right arrow moves the pointer; lifting the finger stops it")
        right = key(phone, "D:R")
        probe("one-to-one")
        start = cursor_x()
        ActionChains(phone).click_and_hold(right).perform()
        time.sleep(0.8)
        held = cursor_x()
        if held <= start + 10:
            fail(f"the pointer did not run while the arrow was held ({start} -> {held})")
        ActionChains(phone).release().perform()
        time.sleep(0.3)
        lifted = cursor_x()
        time.sleep(0.5)
        if cursor_x() != lifted:
            fail("the pointer kept running after the finger lifted")

        step("closing the tab while holding stops the pointer within a second")
        first = phone.current_window_handle
        phone.switch_to.new_window("tab")
        spare = phone.current_window_handle
        phone.switch_to.window(first)
        probe("one-to-one")
        ActionChains(phone).click_and_hold(key(phone, "D:R")).perform()
        time.sleep(0.5)
        phone.close()
        closed_at = time.time()
        phone.switch_to.window(spare)
        time.sleep(max(0.0, 1.2 - (time.time() - closed_at)))
        settled = cursor_x()
        time.sleep(0.6)
        if cursor_x() != settled:
            fail("the pointer was still running a second after the tab closed")

        step("the page opened again comes back connected without asking")
        phone.get(URL)
        wait_page(phone, "Connected")
        if vork_state("accept") != "0":
            fail("Vork asked again for a browser it knows")

        step("a second browser with a made-up token is refused")
        stranger = phone_browser()
        try:
            stranger.get(URL)
            stranger.execute_script("localStorage.setItem('vork.token', '0123456789abcdef0123456789abcdef')")
            stranger.get(URL)
            wait_page(stranger, "Vork does not know this browser; connect again")
            if stranger.find_element(By.ID, "remote").is_displayed():
                fail("the stranger's page shows the remote")
            if vork_state("accept") != "0":
                fail("a made-up token put a request on Vork's screen")

            step("a WebSocket from another origin is refused")
            host_url = URL.replace("127.0.0.1", "localhost")
            stranger.get(host_url)
            outcome = stranger.execute_async_script("""
                const done = arguments[arguments.length - 1];
                const socket = new WebSocket(arguments[0]);
                socket.onopen = () => done('opened');
                socket.onerror = () => done('refused');""", URL.replace("http://", "ws://") + "ws")
            if outcome != "refused":
                fail(f"a socket from http://localhost was {outcome}")
        finally:
            stranger.quit()

        step("only the page's files, for this host by address, with bounded headers")
        host, port = URL.split("/")[2].split(":")
        for path, headers, wanted in (("/", {}, 200), ("/../vork.toml", {}, 404), ("/", {"Host": f"vork.example:{port}"}, 403),
                                      ("/", {"X-Filler": "x" * 9000}, 431)):
            connection = http.client.HTTPConnection(host, int(port), timeout=5)
            connection.request("GET", path, headers=headers)
            status = connection.getresponse().status
            connection.close()
            if status != wanted:
                fail(f"GET {path} with {list(headers)} answered {status}, expected {wanted}")

        step("the connected page still works")
        key(phone, "D:1").click()
        deadline = time.time() + 10
        while time.time() < deadline:
            with open(os.environ["VORK_KEYS"], encoding="utf-8") as keys:
                if keys.read().splitlines().count("KEYDOWN 50 scan 19") >= 2:
                    break
            time.sleep(0.1)
        else:
            fail("a second tap on 1 never reached the player")

        step("Vork gone: the page says so and comes back by itself, still paired, when Vork does")
        probe("close")
        wait_page(phone, "Vork is not reachable \u2013 retrying\u2026")
        deadline = time.time() + 10
        while time.time() < deadline:  # Vork's port closes last, after its single-instance guard
            with socket.socket() as connection:
                if connection.connect_ex((host, int(port))) != 0:
                    break
            time.sleep(0.2)
        else:
            fail("Vork still listens after closing")
        subprocess.Popen([os.environ["VORK_WINE_RUN"], os.environ["VORK_EXE"], f"--web={port}"],
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # The pairing outlived the restart: the page is let in, nobody is asked.
        wait_page(phone, "Connected", 30)
        if vork_state("accept") != "0":
            fail("the restarted Vork asked again for a browser it had paired")
    finally:
        phone.quit()


try:
    main()
except ProbeError as error:
    fail(str(error))
