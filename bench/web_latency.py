"""The browser remote's timings under Wine, in headless Chromium at a phone's
size: pairing by the typed code with the page's CPU slowed four times; a
remembered browser's page opened to "Connected" at the same throttling; a tap
on the keypad's "1" to the player's WM_KEYDOWN; a character typed in the
text line to the player's WM_KEYDOWN (its VK_PACKET); and a paste of 2,000
characters to the last of its keys.

   web_latency.py URL CONNECT_PAGE_ADDRESS COUNT PLAYER_OUTPUT
Vork (vork-loopback.exe --web) and `latency_bench player` run already. Each
tap is the page's own pointerdown and pointerup raised on the key, timed at
the lift (when the page acts); each character is set in the line and its
input event raised, as a phone keyboard's commit does; taps and characters
take turns; both are timed with the page's wall clock, and the player prints
the wall-clock time of each WM_KEYDOWN. Prints "NAME median p10 p90" lines (microseconds; for the three pairings,
the five returns and the five pastes, the median, the fastest and the slowest).
"""
import os
import sys
import time

from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from chromium_phone import pc_browser, phone_browser, wait_page  # noqa: E402

URL, CONNECT, COUNT, PLAYER = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
WARM_UP = 20
PASTE = 2000
PASTES = int(os.environ.get("VORK_PASTES", "5"))
PAIRINGS = 3
RETURNS = 5


def player_downs():
    with open(PLAYER, encoding="utf-8") as output:
        return [float(line) for line in output.read().replace("\r", "").split()[1:]]


def wait_downs(count, seconds=60):
    deadline = time.time() + seconds
    while time.time() < deadline:
        downs = player_downs()
        if len(downs) >= count:
            return downs
        time.sleep(0.1)
    sys.exit(f"only {len(player_downs())} of {count} keys reached the player")


def quantiles(values):
    values = sorted(values)
    at = lambda q: values[int(q * (len(values) - 1))]  # noqa: E731
    return f"{at(0.5):.1f} {at(0.1):.1f} {at(0.9):.1f}"


pc = pc_browser()
phone = phone_browser(height=800)
phone.set_script_timeout(COUNT * 0.2 + 60)  # the taps and characters run inside one script
try:
    # Three pairings, each by a fresh code from the Connect page and from a
    # page that has forgotten the one before.
    pairings = []
    for _ in range(PAIRINGS):
        pc.get(CONNECT)
        WebDriverWait(pc, 15).until(lambda d: d.find_element(By.ID, "code").text.strip() != "")
        code = pc.find_element(By.ID, "code").text

        phone.get(URL)
        # The page comes back with the last pairing's key and takes its next
        # one; only then is its storage cleared, so that nothing is stored after.
        WebDriverWait(phone, 15).until(lambda d: d.find_element(By.ID, "state").text in ("Connected", "Not paired"))
        time.sleep(0.5)
        phone.execute_script("localStorage.clear()")
        phone.get(URL)
        wait_page(phone, "Not paired")
        phone.find_element(By.ID, "code").send_keys(code)
        phone.find_element(By.ID, "name").send_keys("Bench")
        phone.execute_cdp_cmd("Emulation.setCPUThrottlingRate", {"rate": 4})
        # Timed by the page itself, from the tap on Pair to its state reading
        # "Connected": a driver asking meanwhile would take the page's time.
        phone.execute_script("""
            const state = document.getElementById('state');
            new MutationObserver(() => {
              if (state.textContent === 'Connected' && !window.pairedAt) window.pairedAt = performance.now();
            }).observe(state, {childList: true, characterData: true, subtree: true});
            window.tappedAt = performance.now();
            document.getElementById('connect').click();""")
        WebDriverWait(phone, 30, poll_frequency=0.5).until(lambda d: d.execute_script("return window.pairedAt"))
        pairings.append(phone.execute_script("return (window.pairedAt - window.tappedAt) * 1000"))
        phone.execute_cdp_cmd("Emulation.setCPUThrottlingRate", {"rate": 1})
    pairings.sort()
    print(f"pair-code {pairings[len(pairings) // 2]:.1f} {pairings[0]:.1f} {pairings[-1]:.1f}")

    # The page opened again by a paired browser: from the navigation's start
    # to "Connected", timed by the page, its CPU slowed four times.
    phone.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": """
        new MutationObserver(() => {
          const state = document.getElementById('state');
          if (state && state.textContent === 'Connected' && !window.connectedAt) window.connectedAt = performance.now();
        }).observe(document, {childList: true, characterData: true, subtree: true});"""})
    returns = []
    for _ in range(RETURNS):
        phone.execute_cdp_cmd("Emulation.setCPUThrottlingRate", {"rate": 4})
        phone.get(URL)
        WebDriverWait(phone, 30, poll_frequency=0.5).until(lambda d: d.execute_script("return window.connectedAt"))
        returns.append(phone.execute_script("return window.connectedAt * 1000"))
        phone.execute_cdp_cmd("Emulation.setCPUThrottlingRate", {"rate": 1})
    returns.sort()
    print(f"hello-connect {returns[len(returns) // 2]:.1f} {returns[0]:.1f} {returns[-1]:.1f}")

    # Taps and typed characters take turns, 60 ms apart, so that both meet
    # the same conditions (a machine that idles between events wakes slower).
    phone.find_element(By.ID, "tab-keypad").click()
    events = phone.execute_async_script("""
        const [count, done] = [arguments[0], arguments[arguments.length - 1]];
        const key = document.querySelector('#remote .key[data-key="D:1"]');
        const box = key.getBoundingClientRect();
        const at = {bubbles: true, cancelable: true, pointerId: 7, pointerType: 'touch', isPrimary: true,
                    clientX: box.x + box.width / 2, clientY: box.y + box.height / 2};
        const line = document.getElementById('typing');
        const times = [];
        const now = () => (performance.timeOrigin + performance.now()) * 1000;
        const next = () => {
          if (times.length % 2 === 0) {
            key.dispatchEvent(new PointerEvent('pointerdown', at));
            times.push(now());
            key.dispatchEvent(new PointerEvent('pointerup', at));
          } else {
            line.value += 'a';
            times.push(now());
            line.dispatchEvent(new InputEvent('input', {bubbles: true, inputType: 'insertText', data: 'a'}));
          }
          if (times.length < 2 * count) setTimeout(next, 60); else done(times);
        };
        next();""", COUNT + WARM_UP)
    downs = wait_downs(len(events))
    latencies = [down - at for at, down in zip(events, downs)][2 * WARM_UP:]
    print("web-key", quantiles(latencies[0::2]))
    print("web-char", quantiles(latencies[1::2]))
    seen = len(downs)
    phone.find_element(By.ID, "tab-keyboard").click()

    pastes = []
    for _ in range(PASTES):
        pasted = phone.execute_script("""
            const line = document.getElementById('typing');
            line.value += arguments[0];
            const at = (performance.timeOrigin + performance.now()) * 1000;
            line.dispatchEvent(new InputEvent('input', {bubbles: true, inputType: 'insertFromPaste'}));
            return at;""", ("Lorem ipsum dolor sit amet, consectetur adipiscing elit. " * 40)[:PASTE])
        downs = wait_downs(seen + PASTE)
        pastes.append(downs[seen + PASTE - 1] - pasted)
        seen += PASTE
    # The goal is for every paste: the median, then the fastest and the slowest.
    print(f"web-paste {sorted(pastes)[len(pastes) // 2]:.1f} {min(pastes):.1f} {max(pastes):.1f}")
finally:
    phone.quit()
    pc.quit()
