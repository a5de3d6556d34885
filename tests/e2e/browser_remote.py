"""The browser remote's steps in headless Chromium (Debian's, with its driver).

Run by browser.sh with Vork up (--web=PORT), its Connect page's address and a
recording "VLC" window in front; the probe reads and clicks Vork's window.
Phones open the page by the PC's own name: a plain-HTTP origin that is not
loopback. Exits non-zero with the failing step's message.
   browser_remote.py PORT CONNECT_PAGE_ADDRESS
Set VORK_PAGE_SHOT=FILE to keep a picture of the connected page.
"""
import http.client
import json
import os
import secrets
import socket
import subprocess
import sys
import time

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

from chromium_phone import (PC_NAME, ProbeError, RecordingProxy, cursor_x, fail, key, key_count, pair_by_code, pairing_offer, pc_browser,
                            phone_browser, probe, step, vork_state, wait_keys, wait_page)

PORT, CONNECT = int(sys.argv[1]), sys.argv[2]
URL = f"http://{PC_NAME}:{PORT}/"


def offer(pc):
    return pairing_offer(pc, URL)


def ws_texts(stream, masked):
    """The text frames of one direction of a WebSocket (after its upgrade)."""
    texts, at = [], 0
    while at + 2 <= len(stream):
        opcode, length = stream[at] & 0x0F, stream[at + 1] & 0x7F
        at += 2
        if length == 126:
            length, at = int.from_bytes(stream[at:at + 2], "big"), at + 2
        elif length == 127:
            length, at = int.from_bytes(stream[at:at + 8], "big"), at + 8
        mask = stream[at:at + 4] if masked else b"\0\0\0\0"
        at += 4 if masked else 0
        payload = bytes(b ^ mask[i % 4] for i, b in enumerate(stream[at:at + length]))
        at += length
        if opcode == 1:
            texts.append(payload.decode("ascii", "replace"))
    return texts


def page_code_says(script, **values):
    """Runs the page's own link code (secure.js bundled for node) on values."""
    bundle = os.path.join(os.environ["VORK_BIN"], "pages", "secure-node.mjs")
    program = f"import * as link from {json.dumps(bundle)}; const v = {json.dumps(values)}; {script}"
    result = subprocess.run(["node", "--input-type=module", "-e", program], capture_output=True, text=True, check=False)
    if result.returncode != 0:
        fail(f"the page's code could not be run: {result.stderr.strip()[-300:]}")
    return result.stdout.strip()


def main():
    pc = pc_browser()
    phone = phone_browser()
    try:
        pc.get(CONNECT)
        qr_address, code = offer(pc)

        step("a phone pairs by opening the QR code's address: no ACCEPT, the secret leaves the address bar")
        phone.get(qr_address)
        wait_page(phone, "Name this phone, then pair")
        if phone.execute_script("return location.hash") != "":
            fail("the pairing secret is still in the address bar")
        if phone.execute_script("return Boolean(window.crypto.subtle)"):
            fail("the page's origin is a secure one: the test would not see a page that needs crypto.subtle")
        name = phone.find_element(By.ID, "name").get_attribute("value")
        if name != "Pixel 7":
            fail(f'the name is "{name}", expected the phone\'s model')
        phone.find_element(By.ID, "connect").click()
        wait_page(phone, "Connected")
        if vork_state("status") != "Connected." or vork_state("accept") != "0":
            fail(f'Vork reads "{vork_state("status")}" (ACCEPT shown: {vork_state("accept")})')
        if os.environ.get("VORK_PAGE_SHOT"):
            phone.save_screenshot(os.environ["VORK_PAGE_SHOT"])

        step('tapping "1" on the keypad with VLC in front gives P there')
        phone.find_element(By.ID, "tab-keypad").click()
        key(phone, "D:1").click()
        wait_keys("KEYDOWN 50 scan 19")

        phone.find_element(By.ID, "tab-remote").click()
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

        step("the page opened again comes back connected with its own key, without asking")
        phone.get(URL)
        wait_page(phone, "Connected")
        if vork_state("accept") != "0":
            fail("Vork asked again for a browser it knows")

        second = phone_browser()
        try:
            step("a second phone pairs by typing the code the Connect page shows, pressing Pair twice at once")
            _, fresh = offer(pc)
            deadline = time.time() + 10
            while fresh == code and time.time() < deadline:  # the used offer is replaced at the page's next look
                time.sleep(0.3)
                _, fresh = offer(pc)
            if fresh == code:
                fail("the Connect page still shows the code that was used")
            second.get(URL)
            wait_page(second, "Not paired")
            pair_by_code(second, fresh, "Second", twice=True)

            step("Forget on the Connect page: that browser's next visit is not let in")
            WebDriverWait(pc, 10).until(lambda d: "Second" in d.find_element(By.ID, "trusted-rows").text)
            for row in pc.find_elements(By.CSS_SELECTOR, "#trusted-rows tr"):
                if "Second" in row.text:
                    row.find_element(By.TAG_NAME, "button").click()
                    pc.switch_to.alert.accept()
                    break
            WebDriverWait(pc, 10).until(lambda d: "Second" not in d.find_element(By.ID, "trusted-rows").text)
            second.refresh()
            wait_page(second, "Vork does not know this browser; pair it again")
        finally:
            second.quit()

        step("a browser with a made-up key is not let in, and nothing shows on Vork's screen")
        stranger = phone_browser()
        try:
            stranger.get(URL)
            stranger.execute_script(f"localStorage.setItem('vork.id', '{secrets.token_hex(16)}');"
                                    f"localStorage.setItem('vork.key', '{secrets.token_hex(32)}')")
            stranger.get(URL)
            wait_page(stranger, "Vork does not know this browser; pair it again")
            if stranger.find_element(By.ID, "remote").is_displayed() or vork_state("accept") != "0":
                fail("the made-up key got somewhere")

            step("a WebSocket from another origin is refused")
            stranger.get(URL.replace(PC_NAME, "localhost"))
            outcome = stranger.execute_async_script("""
                const done = arguments[arguments.length - 1];
                const socket = new WebSocket(arguments[0]);
                socket.onopen = () => done('opened');
                socket.onerror = () => done('refused');""", URL.replace("http://", "ws://") + "ws")
            if outcome != "refused":
                fail(f"a socket from http://localhost was {outcome}")
        finally:
            stranger.quit()

        step("only the page's files, for this PC by address or name, with bounded headers")
        for path, headers, wanted in (("/", {}, 200), ("/../vork.toml", {}, 404), ("/", {"Host": f"vork.example:{PORT}"}, 403),
                                      ("/", {"Host": f"{PC_NAME}.local:{PORT}"}, 200), ("/", {"X-Filler": "x" * 9000}, 431)):
            connection = http.client.HTTPConnection("127.0.0.1", PORT, timeout=5)
            connection.request("GET", path, headers=headers)
            response = connection.getresponse()
            body = response.read().decode("utf-8", "replace")
            connection.close()
            if response.status != wanted:
                fail(f"GET {path} with {headers} answered {response.status}, expected {wanted}")
            if wanted == 403 and "by this PC's address" not in body:
                fail(f"the refusal does not say which address to open: {body!r}")

        step("what crosses the network (keys, typed text, the code, the key) reads as noise, and replayed it lets nobody in")
        proxy = RecordingProxy(PORT)
        watched = phone_browser()
        try:
            proxied = f"http://{PC_NAME}:{proxy.port}/"
            _, fresh = offer(pc)
            watched.get(proxied)
            wait_page(watched, "Not paired")
            pair_by_code(watched, fresh, "Watched")
            taps = key_count("KEYDOWN 50 scan 19")
            watched.find_element(By.ID, "tab-keypad").click()
            key(watched, "D:1").click()
            wait_keys("KEYDOWN 50 scan 19", taps + 1)
            first_key = watched.execute_script("return localStorage.getItem('vork.key')")
            watched.refresh()  # a second connection: the remembered browser's hello
            wait_page(watched, "Connected")
            watched.find_element(By.ID, "tab-keypad").click()
            key(watched, "D:1").click()
            wait_keys("KEYDOWN 50 scan 19", taps + 2)
            watched.find_element(By.ID, "tab-keyboard").click()
            for special in ("tab", "enter", "backspace"):
                watched.find_element(By.CSS_SELECTOR, f'.key[data-press="{special}"]').click()
            watched.execute_script("document.getElementById('typing').focus()")
            watched.execute_cdp_cmd("Input.insertText", {"text": "Geheimnis"})  # as a phone keyboard commits it
            wait_keys("CHAR 0073")  # its s, the last letter: typed text went through too
            stored = watched.execute_script("return localStorage.getItem('vork.key')")
            time.sleep(0.5)
            captured = b"".join(sent + received for sent, received in proxy.sockets())
            if len(proxy.sockets()) != 2:
                fail(f"the proxy saw {len(proxy.sockets())} page sockets, expected the pairing's and the hello's")
            for secret in ("D:1", "key ", "Geheimnis", "text ", "Watched", first_key, stored, fresh.replace("-", ""), fresh):
                # As it is, in small letters, or merely written out in hex.
                for form in (secret.encode(), secret.lower().encode(), secret.encode().hex().encode()):
                    if form in captured:
                        fail(f"{secret!r} crossed the network in the clear")

            step("a listener learns no key from sizes: every press, special key and typed character is one size")
            pairing_up, pairing_down = (ws_texts(part.split(b"\r\n\r\n", 1)[1], masked) for part, masked in
                                        zip(proxy.sockets()[0], (True, False)))
            hello_up = ws_texts(proxy.sockets()[1][0].split(b"\r\n\r\n", 1)[1], True)
            sealed_sizes = {len(frame) for frame in pairing_up[2:] + hello_up[2:]}
            if sealed_sizes != {2 * (48 + 16)}:
                fail(f"the page's sealed messages came in sizes {sorted(sealed_sizes)}, expected one")

            step("the recorded pairing gives nothing to test codes on: the right code itself does not check out")
            opening, share = pairing_up[0], pairing_down[0]
            if not (opening.startswith("pair code 04") and share.startswith("share ")):
                fail(f"the recording does not start with a pairing by code: {opening[:20]!r}, {share[:20]!r}")
            verdict = page_code_says("console.log(String(new link.Handshake({ code: v.code }).answer(v.share)))",
                                     code=fresh, share=share)
            if verdict != "null":
                fail(f"the recorded pairing could be checked against the code: {verdict[:40]}")
            taps = key_count("KEYDOWN 50 scan 19")
            statuses = vork_state("status")
            for recorded, _ in proxy.sockets():
                # As the page did: the upgrade, its answer, then the frames.
                request, frames = recorded.split(b"\r\n\r\n", 1)
                with socket.create_connection(("127.0.0.1", PORT), timeout=5) as replay:
                    replay.sendall(request + b"\r\n\r\n")
                    answer = bytearray(replay.recv(65536))
                    replay.sendall(frames)
                    try:
                        while chunk := replay.recv(65536):
                            answer.extend(chunk)
                    except OSError:
                        pass
                # Vork answers the replayed opening afresh (or, once the offer is gone, says
                # there is none), and nothing after it opens.
                said = ws_texts(bytes(answer).split(b"\r\n\r\n", 1)[-1], False)
                if not said or not all(text.split(" ")[0] in ("share", "unknown", "wait", "nooffer") for text in said):
                    fail(f"a replay was let in: {said!r}")
            time.sleep(0.5)
            if key_count("KEYDOWN 50 scan 19") != taps or vork_state("status") != statuses:
                fail("a replay moved something on the PC")

            step("a copy of the watched browser's first key, used after it took its second, forgets that browser")
            if watched.execute_script("return localStorage.getItem('vork.keynumber')") != "2":
                fail("the hello did not leave the browser with its second key")
            thief = phone_browser()
            try:
                thief.get(proxied)
                thief.execute_script("localStorage.setItem('vork.id', arguments[0]); localStorage.setItem('vork.key', "
                                     "arguments[1]); localStorage.setItem('vork.keynumber', '1')",
                                     watched.execute_script("return localStorage.getItem('vork.id')"), first_key)
                thief.get(proxied)
                wait_page(thief, "Forgotten: pair again with the code on the PC")
            finally:
                thief.quit()
            warning = "A copy of Watched's key was used from 127.0.0.1; the phone was forgotten, pair it again"
            if vork_state("notice") != warning:
                fail(f'Vork\'s notice line reads "{vork_state("notice")}"')
            WebDriverWait(pc, 10).until(lambda d: warning in d.find_element(By.ID, "warnings").text)
            listed = pc.find_element(By.ID, "trusted-rows").text
            if "Watched" in listed:
                fail(f"the Connect page still lists the copied browser: {listed!r}")
            watched.refresh()
            wait_page(watched, "Vork does not know this browser; pair it again")
        finally:
            watched.quit()

        step("Vork gone: the page says so and comes back by itself, still paired, when Vork does")
        probe("close")
        wait_page(phone, "Vork is not reachable \u2013 retrying\u2026")
        deadline = time.time() + 10
        while time.time() < deadline:  # Vork's port closes last, after its single-instance guard
            with socket.socket() as connection:
                if connection.connect_ex(("127.0.0.1", PORT)) != 0:
                    break
            time.sleep(0.2)
        else:
            fail("Vork still listens after closing")
        subprocess.Popen([os.environ["VORK_WINE_RUN"], os.environ["VORK_EXE"], f"--web={PORT}"],
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # The pairing outlived the restart: the page is let in, nobody is asked.
        wait_page(phone, "Connected", 30)
        if vork_state("accept") != "0":
            fail("the restarted Vork asked again for a browser it had paired")
    finally:
        phone.quit()
        pc.quit()


try:
    main()
except ProbeError as error:
    fail(str(error))
