"""Shared by the browser remote's test, benchmark and demo: Debian's headless
Chromium at a phone's size, and the probe that reads and clicks Vork's window
(VORK_WINE_RUN and VORK_PROBE in the environment)."""
import os
import socket
import subprocess
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

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


def phone_browser(as_phone=True):
    """Chromium at 412x915; as_phone: also a phone's user agent (a Pixel 7)."""
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage", "--window-size=412,915",
                     f"--host-resolver-rules=MAP {PC_NAME} 127.0.0.1"):
        options.add_argument(argument)
    if as_phone:
        options.add_experimental_option("mobileEmulation", {
            "deviceMetrics": {"width": 412, "height": 915, "pixelRatio": 2.6, "touch": False},
            "userAgent": PHONE_AGENT})
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def pc_browser():
    """Chromium as the PC's own browser, at a desktop's size."""
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage", "--window-size=1100,1300"):
        options.add_argument(argument)
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
