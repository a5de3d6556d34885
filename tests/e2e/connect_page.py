"""The Connect page's steps in headless Chromium as the PC's browser, run by
connect.sh with Vork up and its browser remote off: refusals without the
secret, the switch, the QR code (decoded by zbarimg from a screenshot), a
phone's browser paired and then forgotten from the page."""
import http.client
import os
import subprocess
import sys
import tempfile
import time

from selenium.webdriver.common.by import By

from chromium_phone import PC_NAME, ProbeError, fail, pc_browser, phone_browser, step, vork_state, wait_page

PAGE, WEB_PORT = sys.argv[1], int(sys.argv[2])


def status_of(port, path, host=None):
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=5)
    connection.request("GET", path, headers={"Host": host} if host else {})
    status = connection.getresponse().status
    connection.close()
    return status


def wait_for(what, condition, seconds=15):
    deadline = time.time() + seconds
    while time.time() < deadline:
        if condition():
            return
        time.sleep(0.2)
    fail(f"{what} never happened")


def text(driver, element_id):
    return driver.find_element(By.ID, element_id).text


def main():
    port = int(PAGE.split("/")[2].split(":")[1])
    secret = PAGE.split("/")[3]
    step("nothing is served without the secret, or to another name")
    for path, host in (("/", None), ("/" + "0" * 32 + "/state", None), (f"/{secret}/state", f"localhost:{port}"),
                       (f"/{secret}/state", f"vork.example:{port}")):
        if status_of(port, path, host) != 403:
            fail(f"GET {path} (Host {host}) was not refused")

    pc = pc_browser()
    try:
        step("the page shows the switch off, and no QR code")
        pc.get(PAGE)
        wait_for("the off state", lambda: text(pc, "remote-state").startswith("Off"))
        if pc.find_element(By.ID, "qr-area").is_displayed():
            fail("a QR code shows while the browser remote is off")

        step("switched on from the page: the remote answers, the window shows its address")
        pc.find_element(By.ID, "remote-switch").click()
        wait_for("the listening state", lambda: text(pc, "remote-state").startswith("On"))
        if status_of(WEB_PORT, "/") != 200:
            fail("the remote page does not answer after the switch")
        wait_for("the address line", lambda: (vork_state("address") or "").endswith(f":{WEB_PORT}"))

        step("the QR code decodes to the address under it")
        url = pc.find_element(By.ID, "qr").get_attribute("data-address")
        if not text(pc, "url").endswith(f":{WEB_PORT}/") or not url.startswith(text(pc, "url") + "#pair="):
            fail(f"the address under the QR code is {text(pc, 'url')}, the code holds {url}")
        with tempfile.NamedTemporaryFile(suffix=".png") as shot:
            pc.find_element(By.ID, "qr").screenshot(shot.name)
            if os.environ.get("VORK_CONNECT_SHOT"):
                pc.save_screenshot(os.environ["VORK_CONNECT_SHOT"])
            decoded = subprocess.run(["zbarimg", "-q", "--raw", shot.name], capture_output=True, text=True, check=False)
        if decoded.stdout.strip() != url:
            fail(f"the QR code reads {decoded.stdout.strip()!r} (exit {decoded.returncode}), the page says {url}")

        step("a phone's browser pairs by the QR code's address and is listed; Forget on the page makes it ask again")
        if "#pair=" not in url or not text(pc, "code"):
            fail(f"the page offers no pairing ({url!r}, code {text(pc, 'code')!r})")
        phone = phone_browser()
        try:
            phone.get(url.replace(url.split("/")[2].split(":")[0], PC_NAME, 1))
            wait_page(phone, "Name this phone, then pair")
            phone.find_element(By.ID, "connect").click()
            wait_page(phone, "Connected")
            wait_for("the trusted list", lambda: "Pixel 7" in text(pc, "trusted-rows"))
            if "Browser" not in text(pc, "trusted-rows"):
                fail(f"the trusted list reads {text(pc, 'trusted-rows')!r}")
            pc.find_element(By.CSS_SELECTOR, "#trusted-rows button").click()
            pc.switch_to.alert.accept()
            wait_for("the emptied list", lambda: pc.find_element(By.ID, "trusted-none").is_displayed())
            phone.refresh()
            wait_page(phone, "Vork does not know this browser; pair it again")
        finally:
            phone.quit()
    finally:
        pc.quit()


try:
    main()
except ProbeError as error:
    fail(str(error))
