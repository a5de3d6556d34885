"""The page's Now playing card against real players: VLC and mpv playing
clips whose titles are in their tags, their state read from their own MPRIS
interface. The card shows the title and follows a change of track; its
buttons pause the player while another window is in front and move it to
its next track; its bar seeks; with two players it follows the one that
played last; a player quitting hides it; a player that floods its signals
and hangs its replies reaches the page a few times a second and slows
nothing; and what crosses the network holds no title. Run by now_playing.sh with Vork up (--web=PORT).
   now_playing_page.py PORT CONNECT_PAGE_ADDRESS CLIPS_FOLDER
"""
import os
import subprocess
import sys
import time

import dbus
from selenium.webdriver.common.by import By

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "e2e"))
from chromium_phone import PC_NAME, RecordingProxy, fail, pair_by_qr_code, pc_browser, phone_browser, step  # noqa: E402

PORT, CONNECT, CLIPS = int(sys.argv[1]), sys.argv[2], sys.argv[3]
ROOT = "org.mpris.MediaPlayer2"


def player_state(player, name):
    """The player's own word on it: a property of its MPRIS Player interface (Metadata: the title)."""
    proxy = dbus.SessionBus().get_object(f"{ROOT}.{player}", "/org/mpris/MediaPlayer2")
    value = proxy.Get(f"{ROOT}.Player", name, dbus_interface="org.freedesktop.DBus.Properties")
    return str(value.get("xesam:title", "")) if name == "Metadata" else value


def player_call(player, method):
    proxy = dbus.SessionBus().get_object(f"{ROOT}.{player}", "/org/mpris/MediaPlayer2")
    getattr(proxy, method)(dbus_interface=f"{ROOT}.Player")


def until(what, check, seconds=10):
    deadline = time.time() + seconds
    while time.time() < deadline:
        try:
            if check():
                return
        except dbus.DBusException:
            pass
        time.sleep(0.1)
    fail(what)


def card(phone):
    return phone.execute_script("""const $ = (id) => document.getElementById(id);
        return {shown: !$('now-playing').hidden, title: $('np-title').textContent, name: $('np-name').textContent};""")


def expect_card(phone, title, name=None):
    until(f"the card reads {card(phone)}, expected {title!r}" + (f" from {name!r}" if name else ""),
          lambda: card(phone)["shown"] and card(phone)["title"] == title and (name is None or name in card(phone)["name"]))


def tap(phone, media_key):
    phone.find_element(By.CSS_SELECTOR, f'.key[data-key="M:{media_key}"]').click()


def main():
    proxy = RecordingProxy(PORT)
    pc = pc_browser()
    phone = phone_browser(height=800)
    players = []
    try:
        step("the phone pairs, through a proxy that keeps every byte")
        pair_by_qr_code(pc, phone, CONNECT, f"http://{PC_NAME}:{proxy.port}/")

        step("VLC plays the first tune: the card shows its title")
        players.append(subprocess.Popen(["vlc", "-I", "dummy", "--no-video", f"{CLIPS}/one.wav", f"{CLIPS}/two.wav"],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        until("VLC never played", lambda: player_state("vlc", "PlaybackStatus") == "Playing", 20)
        expect_card(phone, "First tune", "VLC")

        step("with another window in front, the card's play/pause pauses VLC and plays it again")
        tap(phone, "play-pause")
        until("VLC did not pause", lambda: player_state("vlc", "PlaybackStatus") == "Paused")
        tap(phone, "play-pause")
        until("VLC did not play again", lambda: player_state("vlc", "PlaybackStatus") == "Playing")

        step("next moves VLC to the second tune, and the card follows")
        tap(phone, "next")
        until("VLC did not move on", lambda: player_state("vlc", "Metadata") == "Second tune")
        expect_card(phone, "Second tune")

        step("the bar seeks VLC to a minute in")
        phone.execute_script("""const bar = document.getElementById('np-position');
            bar.value = 60000; bar.dispatchEvent(new Event('change', {bubbles: true}));""")
        until(f"VLC is at {player_state('vlc', 'Position') / 1e6:.1f} s, not a minute in",
              lambda: 59e6 <= player_state("vlc", "Position") <= 70e6)

        step("mpv plays too: the card follows the one that played last")
        players.append(subprocess.Popen(["mpv", "--no-video", "--idle=no", f"{CLIPS}/one.wav"],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        until("mpv never played", lambda: player_state("mpv", "PlaybackStatus") == "Playing", 20)
        player_call("vlc", "Pause")
        expect_card(phone, "First tune", "mpv")
        player_call("mpv", "Pause")
        player_call("vlc", "Play")
        expect_card(phone, "Second tune", "VLC")

        step("both players quit: the card hides")
        for running in players:
            running.terminate()
            running.wait(10)
        until(f"the card still shows {card(phone)}", lambda: not card(phone)["shown"])

        step("a player that floods its signals and hangs its replies: a few updates a second, the keys still quick")
        players.append(subprocess.Popen([sys.executable, os.path.join(os.path.dirname(__file__), "flooding_player.py")],
                                        stdout=subprocess.PIPE, text=True))
        if players[-1].stdout.readline().strip() != "READY":
            fail("the flooding player did not start")
        until("the card never followed the flooding player", lambda: card(phone)["title"].startswith("Flood "))
        phone.execute_script("""window.titleChanges = 0;
            new MutationObserver(() => { window.titleChanges += 1; })
              .observe(document.getElementById('np-title'), {childList: true, characterData: true, subtree: true});""")
        time.sleep(2)
        changes = phone.execute_script("return window.titleChanges")
        if not 1 <= changes <= 10:
            fail(f"the card's title changed {changes} times in 2 s of a flood, expected a few a second")
        typed = open(os.environ["VORK_KEYS"], encoding="utf-8").read().count("KEYDOWN space")
        phone.find_element(By.ID, "tab-keypad").click()
        pressed = time.time()
        phone.find_element(By.CSS_SELECTOR, '.key[data-key="D:5"]').click()
        until("the keypad's 5 never reached the window during the flood",
              lambda: open(os.environ["VORK_KEYS"], encoding="utf-8").read().count("KEYDOWN space") > typed, 5)
        if time.time() - pressed > 1:
            fail(f"the keypad's 5 took {time.time() - pressed:.2f} s to reach the window during the flood")
        players.pop().kill()
        phone.find_element(By.ID, "tab-remote").click()

        step("no title crossed the network in the clear")
        time.sleep(0.5)
        captured = b"".join(sent + received for sent, received in proxy.sockets())
        if not captured:
            fail("the proxy recorded nothing")
        for said in (b"First tune", b"Second tune", b"The Testers", b"VLC media player"):
            if said in captured:
                fail(f"{said!r} crossed the network in the clear")
    finally:
        for running in players:
            running.kill()
        phone.quit()
        pc.quit()


main()
