"""The browser remote as a phone uses it, in headless Chromium at 412x800
with a touch screen: taps, slides and two-finger taps are real touch events
(CDP's Input.dispatchTouchEvent), typing arrives as a phone keyboard's does
(Input.insertText, as composition commits it), and the recording window
(Unicode) shows what reached it. Run by typing.sh with Vork up (--web=PORT)
and "Untitled - Notepad" in front. Exits non-zero with the failing step.
   typing_page.py PORT CONNECT_PAGE_ADDRESS
Set VORK_PAGE_SHOTS=FOLDER to keep pictures of the keypad and keyboard.
"""
import http.client
import os
import subprocess
import sys
import time

from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

from chromium_phone import (PC_NAME, ProbeError, fail, key, key_count, pair_by_qr_code, pc_browser, phone_browser,
                            probe, recorded, step, wait_keys)

PORT, CONNECT = int(sys.argv[1]), sys.argv[2]
URL = f"http://{PC_NAME}:{PORT}/"
TYPED = "h\u00e9llo w\u00f6rld \u2713 \U0001F600"
SPACE = "KEYDOWN 20 scan 39"  # the keypad's 5 in a window Vork knows nothing of


# Where the typing starts in the window's record: the keypad's 5 typed a space before.
typing_from = 0


def typed_text():
    """What the window's characters spell since the typing began, each Backspace taking one character."""
    units = []
    for line in recorded()[typing_from:]:
        if not line.startswith("CHAR "):
            continue
        unit = int(line[5:], 16)
        if unit == 8:
            if units and 0xDC00 <= units[-1] <= 0xDFFF:
                units.pop()
            if units:
                units.pop()
        elif unit >= 0x20:
            units.append(unit)
    return b"".join(unit.to_bytes(2, "little") for unit in units).decode("utf-16-le", "replace")


def wait_text(wanted, seconds=10):
    deadline = time.time() + seconds
    while time.time() < deadline and typed_text() != wanted:
        time.sleep(0.1)
    if typed_text() != wanted:
        fail(f"the window reads {typed_text()!r}, expected {wanted!r}")


def touch(phone, kind, points, at=None):
    """A touch event; AT (seconds since the epoch) is its own time, else its dispatch's."""
    event = {"type": kind, "touchPoints": [{"x": x, "y": y, "id": i} for i, (x, y) in enumerate(points)]}
    if at is not None:
        event["timestamp"] = at
    phone.execute_cdp_cmd("Input.dispatchTouchEvent", event)


def centre(phone, element):
    return phone.execute_script(
        "const r = arguments[0].getBoundingClientRect(); return [r.x + r.width / 2, r.y + r.height / 2]", element)


def tap(phone, element, fingers=1):
    x, y = centre(phone, element)
    points = [(x + 30 * finger, y) for finger in range(fingers)]
    # A tap of 50 ms by the events' own times, however long a busy machine takes to deliver them.
    start = time.time()
    touch(phone, "touchStart", points, start)
    time.sleep(0.05)
    touch(phone, "touchEnd", [], start + 0.05)


def show(phone, tab):
    tap(phone, phone.find_element(By.ID, f"tab-{tab}"))
    if phone.find_element(By.ID, f"panel-{tab}").get_attribute("hidden") is not None:
        fail(f"a tap on the {tab} tab did not show it")


def insert(phone, text):
    """Text as a phone keyboard commits it into the focused line."""
    phone.execute_cdp_cmd("Input.insertText", {"text": text})
    time.sleep(0.05)


def label(phone, command):
    labels = key(phone, command).find_elements(By.CSS_SELECTOR, ".label")
    return labels[0].text if labels else ""


def wait_labels(phone, app, wanted, seconds=5):
    """Until the header names app and the keys read as wanted ({command: label})."""
    deadline = time.time() + seconds
    seen = None
    while time.time() < deadline:
        header = phone.find_element(By.ID, "app")
        seen = (header.text if header.is_displayed() else "", {command: label(phone, command) for command in wanted})
        if seen == (app, wanted):
            return
        time.sleep(0.1)
    fail(f"the page shows {seen}, expected {(app, wanted)}")


def check_fit_and_accessibility(phone, where):
    width, height, scroll_width, scroll_height = phone.execute_script(
        "const e = document.documentElement; return [innerWidth, innerHeight, e.scrollWidth, e.scrollHeight]")
    if (width, height) != (412, 800) or scroll_width > width or scroll_height > height:
        fail(f"{where}: the page is {scroll_width}x{scroll_height} in a {width}x{height} screen")
    with open(os.environ["VORK_AXE"], encoding="utf-8") as source:
        axe = source.read()
    violations = phone.execute_async_script(axe + """
        const done = arguments[arguments.length - 1];
        axe.run(document, {runOnly: {type: 'tag', values: ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa']}})
           .then((result) => done(result.violations.map(
               (v) => v.id + ': ' + v.nodes.map((n) => n.target.join(' ')).join(', '))));""")
    if violations:
        fail(f"{where}: accessibility violations: {violations}")


def shot(phone, name):
    folder = os.environ.get("VORK_PAGE_SHOTS")
    if folder:
        phone.save_screenshot(os.path.join(folder, name))


def main():
    pc = pc_browser()
    phone = phone_browser(height=800, touch=True)
    try:
        step("the phone pairs by the QR code's address")
        pair_by_qr_code(pc, phone, CONNECT, URL)

        step("the page's manifest loads, with Vork's icons, for Add to Home screen")
        manifest = phone.execute_cdp_cmd("Page.getAppManifest", {})
        if manifest.get("errors") or '"short_name": "Vork"' not in manifest.get("data", ""):
            fail(f"the manifest: {manifest}")
        for size in (192, 512):
            connection = http.client.HTTPConnection("127.0.0.1", PORT, timeout=5)
            connection.request("GET", f"/icon-{size}.png")
            response = connection.getresponse()
            body = response.read()
            if response.status != 200 or response.getheader("Content-Type") != "image/png" or \
                    body[16:24] != size.to_bytes(4, "big") * 2:
                fail(f"/icon-{size}.png: {response.status} {response.getheader('Content-Type')}, {len(body)} bytes")

        step("each view fits 412x800 without scrolling and has no accessibility violations")
        for tab in ("remote", "keypad", "keyboard"):
            show(phone, tab)
            check_fit_and_accessibility(phone, f"the {tab} view")

        step("the keypad says what each key does in the window in front")
        show(phone, "keypad")
        wait_labels(phone, "", {"D:1": "Up", "D:5": "Space", "D:0": "Mute", "D:2": "Vol +"})
        if "unused" not in key(phone, "D:7").get_attribute("class"):
            fail("7, which does nothing here, is not shown as unused")

        step("a slide that starts on 5 presses nothing; a tap on 5 presses it once")
        spaces = key_count(SPACE)
        x, y = centre(phone, key(phone, "D:5"))
        touch(phone, "touchStart", [(x, y)])
        for moved in range(10, 90, 10):
            touch(phone, "touchMove", [(x, y - moved)])
            time.sleep(0.02)
        touch(phone, "touchEnd", [])
        time.sleep(1)
        if key_count(SPACE) != spaces:
            fail("a slide that started on 5 pressed it")
        tap(phone, key(phone, "D:5"))
        wait_keys(SPACE, spaces + 1)
        time.sleep(0.5)
        if key_count(SPACE) != spaces + 1:
            fail(f"one tap pressed 5 {key_count(SPACE) - spaces} times")

        step(f"typed on the phone, {TYPED!r} reaches the window as those characters")
        show(phone, "keyboard")
        global typing_from
        typing_from = len(recorded())
        phone.execute_script("document.getElementById('typing').focus()")
        for part in ("h", "\u00e9", "llo", " ", "w\u00f6rld", " ", "\u2713", " ", "\U0001F600"):
            insert(phone, part)
        wait_text(TYPED)
        characters = [line for line in recorded() if line.startswith("CHAR ")]
        high = characters.index("CHAR D83D")
        if characters[high + 1] != "CHAR DE00":
            fail(f"the emoji's halves arrived as {characters[high:high + 2]}")
        shot(phone, "remote-keyboard.png")

        step("Backspace and an autocorrect's replacement leave the right text")
        line = phone.find_element(By.ID, "typing")
        line.send_keys(Keys.BACKSPACE)
        line.send_keys(Keys.BACKSPACE)
        wait_text("h\u00e9llo w\u00f6rld \u2713")
        insert(phone, " teh")
        phone.execute_script("const t = document.getElementById('typing');"
                             "t.setSelectionRange(t.value.length - 3, t.value.length)")
        insert(phone, "the")
        wait_text("h\u00e9llo w\u00f6rld \u2713 the")

        step("a paste of 2,000 characters arrives whole and in order")
        paste = "".join(f"{n} \u00e9\U0001F600 " for n in range(300))[:2000]
        insert(phone, paste)
        wait_text("h\u00e9llo w\u00f6rld \u2713 the" + paste, 20)

        step("Ctrl then c reaches the window as Ctrl+C")
        before = len(recorded())
        tap(phone, phone.find_element(By.CSS_SELECTOR, '.key[data-mod="ctrl"]'))
        phone.execute_script("document.getElementById('typing').focus()")
        insert(phone, "c")
        # Through the key language, whose key releases carry the extended flag.
        wanted = ["KEYDOWN 11 scan 1D", "KEYDOWN 43 scan 2E", "KEYUP 43 scan 2E ext", "KEYUP 11 scan 1D"]
        deadline = time.time() + 10
        while time.time() < deadline:
            keys = [entry for entry in recorded()[before:] if entry.startswith(("KEYDOWN", "KEYUP"))]
            if keys == wanted:
                break
            time.sleep(0.1)
        else:
            fail(f"Ctrl then c gave {keys}")
        if typed_text() != "h\u00e9llo w\u00f6rld \u2713 the" + paste:
            fail(f"Ctrl+C typed something: the window reads {typed_text()[-40:]!r}")

        step("on the touchpad, a tap clicks and a two-finger tap right-clicks")
        show(phone, "remote")
        # typing.sh put the pointer over the recording window before any window
        # opened; Wine moves it in its own time, so the tap waits until it is there.
        deadline = time.time() + 5
        while probe("cursor").split() != ["370", "600"]:
            if time.time() > deadline:
                fail(f"the pointer never reached the recording window: it is at {probe('cursor')}")
            time.sleep(0.1)
        pad = phone.find_element(By.ID, "touchpad")
        tap(phone, pad)
        wait_keys("LBUTTONUP")
        tap(phone, pad, fingers=2)
        wait_keys("RBUTTONUP")
        if key_count("LBUTTONDOWN") != 1 or key_count("RBUTTONDOWN") != 1:
            fail(f"{key_count('LBUTTONDOWN')} left and {key_count('RBUTTONDOWN')} right clicks, expected one each")

        step("a VLC window comes to the front: the header and the keys say what they do there")
        show(phone, "keypad")
        player = subprocess.Popen([os.environ["VORK_WINE_RUN"], os.environ["VORK_PROBE"], "target",
                                   "clip.mkv - VLC media player", os.environ["VORK_PLAYER_KEYS_WINDOWS"], "20000"],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            wait_labels(phone, "VLC media player",
                        {"D:1": "Previous", "D:3": "Next", "D:5": "Play/Pause", "D:*": "Full screen"}, 20)
            shot(phone, "remote-keypad.png")
        finally:
            player.terminate()
    finally:
        phone.quit()
        pc.quit()


try:
    main()
except ProbeError as error:
    fail(str(error))
