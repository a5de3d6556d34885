"""Shared by the browser remote's test, benchmark and demo: Debian's headless
Chromium at a phone's size, and the probe that reads and clicks Vork's window
(VORK_WINE_RUN and VORK_PROBE in the environment)."""
import os
import re
import socket
import subprocess
import sys
import threading
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

PHONE_AGENT = ("Mozilla/5.0 (Linux; Android 14; Pixel 7 Build/UQ1A.240205.004) AppleWebKit/537.36 "
               "(KHTML, like Gecko) Chrome/120.0 Mobile Safari/537.36")


class ProbeError(RuntimeError):
    """The probe ran and failed, or never ran."""


def run_probe(*args):
    result = subprocess.run([os.environ["VORK_WINE_RUN"], os.environ["VORK_PROBE"], *args],
                            capture_output=True, text=True, check=False)
    result.stdout = result.stdout.replace("\r", "").strip()
    return result


def probe(*args):
    """The probe's output, without Windows line endings. A probe that ran and
    failed raises ProbeError at once; one that Wine never started (now and
    then, under load) is tried again, then raises too."""
    for _ in range(3):
        result = run_probe(*args)
        if "probe: exit" in result.stderr:
            if result.returncode != 0:
                raise ProbeError(f"the probe's {' '.join(args)} failed (exit {result.returncode}): {result.stdout}")
            return result.stdout
        time.sleep(0.2)
    raise ProbeError(f"the probe's {args[0]} never ran (exit {result.returncode}): {result.stderr.strip()[-500:]}")


# The PC's own name, which Vork's remote page answers to: a page opened by it
# is on a plain-HTTP origin that is not loopback, as on a phone (a browser
# gives such a page no crypto.subtle, and the test sees that the page needs none).
PC_NAME = socket.gethostname()


class RecordingProxy:
    """Between a page and Vork: forwards both ways and keeps every byte of
    each connection, each direction apart."""

    def __init__(self, target_port):
        self.listener = socket.socket()
        self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen()
        self.port = self.listener.getsockname()[1]
        self.target = target_port
        self.sent = []      # per connection, what the page sent
        self.received = []  # and what Vork sent it
        threading.Thread(target=self.accept, daemon=True).start()

    def accept(self):
        while True:
            page, _ = self.listener.accept()
            vork = socket.create_connection(("127.0.0.1", self.target))
            self.sent.append(bytearray())
            self.received.append(bytearray())
            threading.Thread(target=self.pump, args=(page, vork, self.sent[-1]), daemon=True).start()
            threading.Thread(target=self.pump, args=(vork, page, self.received[-1]), daemon=True).start()

    def sockets(self):
        """Each WebSocket's traffic both ways (the page's files, served in the clear by design, left out)."""
        return [(bytes(sent), bytes(received)) for sent, received in zip(self.sent, self.received)
                if sent.startswith(b"GET /ws")]

    def pump(self, source, sink, record):
        while True:
            try:
                data = source.recv(65536)
            except OSError:
                data = b""
            if not data:
                for end in (source, sink):
                    try:
                        end.shutdown(socket.SHUT_RDWR)
                    except OSError:
                        pass
                return
            record.extend(data)
            sink.sendall(data)


def phone_browser(as_phone=True, height=915, touch=False):
    """Chromium at 412 px wide; as_phone: also a phone's user agent (a Pixel
    7); touch: a touch screen, whose taps and gestures the test makes itself."""
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage", f"--window-size=412,{height}",
                     f"--host-resolver-rules=MAP {PC_NAME} 127.0.0.1"):
        options.add_argument(argument)
    if as_phone:
        options.add_experimental_option("mobileEmulation", {
            "deviceMetrics": {"width": 412, "height": height, "pixelRatio": 2.6, "touch": touch},
            "userAgent": PHONE_AGENT})
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def pc_browser():
    """Chromium as the PC's own browser, at a desktop's size."""
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage", "--window-size=1100,1300"):
        options.add_argument(argument)
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def step(text):
    print("--", text, flush=True)


def fail(text):
    print("FAILED:", text, file=sys.stderr, flush=True)
    sys.exit(1)


def vork_state(name):
    """A line of the probe's reading of Vork's window (status, address, accept...);
    none where no probe is at hand (the benchmark)."""
    if "VORK_PROBE" not in os.environ:
        return None
    for line in probe("state").splitlines():
        if line.startswith(name + "="):
            return line[len(name) + 1:]
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


def recorded():
    """The lines the probe's recording window wrote (VORK_KEYS)."""
    with open(os.environ["VORK_KEYS"], encoding="utf-8", errors="replace") as keys:
        return keys.read().splitlines()


def key_count(line):
    return recorded().count(line)


def wait_keys(line, count=1, seconds=10):
    deadline = time.time() + seconds
    while time.time() < deadline:
        if key_count(line) >= count:
            return
        time.sleep(0.1)
    fail(f'"{line}" never reached the window (seen {key_count(line)} times, wanted {count})')


def key(driver, command):
    return driver.find_element(By.CSS_SELECTOR, f'#remote .key[data-key="{command}"]')


def pairing_offer(pc, url):
    """The QR code's address (by the PC's name, for the page at url) and the code the Connect page shows now."""
    qr = lambda: pc.find_element(By.ID, "qr").get_attribute("data-address") or ""  # noqa: E731
    try:
        WebDriverWait(pc, 15).until(lambda d: "#pair=" in qr())
    except Exception:
        fail(f'the Connect page\'s QR code holds no pairing address ({qr()!r})')
    code = pc.find_element(By.ID, "code").text
    return re.sub(r"^http://[^/]+/", url, qr()), code


def pair_by_qr_code(pc, phone, connect, url):
    """The PC's browser opens the Connect page, the phone opens the QR code's
    address and pairs under the name it suggests; the code the page showed."""
    pc.get(connect)
    address, code = pairing_offer(pc, url)
    phone.get(address)
    wait_page(phone, "Name this phone, then pair")
    phone.find_element(By.ID, "connect").click()
    wait_page(phone, "Connected")
    return code


def pair_by_code(phone, code, name, twice=False):
    """Twice: Pair pressed again at once; the button waits while a pairing
    is under way, so the one pairing goes through."""
    phone.find_element(By.ID, "code").send_keys(code.lower())  # as typed, in any case
    field = phone.find_element(By.ID, "name")
    field.clear()
    field.send_keys(name)
    if twice:
        phone.execute_script("const pair = document.getElementById('connect'); pair.click(); pair.click();")
    else:
        phone.find_element(By.ID, "connect").click()
    wait_page(phone, "Connected")
