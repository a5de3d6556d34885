#!/usr/bin/env bash
# The browser remote as a phone uses it: headless Chromium at 412x800 with a
# touch screen, paired by the Connect page's QR code, typing into a recording
# window (Unicode), its special keys, taps, scrolls and two-finger taps made
# as touches, the keypad's labels following the window in front, the page's
# fit and an accessibility check (see typing_page.py).
source "$(dirname "$0")/lib.sh"

web_port=${VORK_WEB_PORT:-8654}
# The prefix's "browser" records the Connect page's address.
printf '#!/bin/sh\necho "$1" >>"%s"\n' "$work/opened" >"$work/browser.sh"
chmod +x "$work/browser.sh"
"$wine_run" reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /t REG_SZ /d "$work/browser.sh" /f >/dev/null 2>&1

step "Vork with the browser remote on and its Connect page open; a text editor in front"
# The pointer starts where the touchpad's taps will click, clear of Vork's
# window: warped there later from over that window, Wine (with no window
# manager) now and then gave the tap's click to Vork's window instead.
probe point 370 600 >/dev/null
start_windows "$VORK_BIN/src/vork-loopback.exe" "--web=$web_port" --connect
wait_status "Waiting for phone to connect"
for _ in $(seq 100); do [ -s "$work/opened" ] && break; sleep 0.1; done
[ -s "$work/opened" ] || fail "no Connect page was opened"
start_windows "$probe_exe" target "Untitled - Notepad" "$(winepath -w "$work/keys" 2>/dev/null)" 170000
wait_file_line "$work/keys" READY

VORK_WINE_RUN=$wine_run VORK_PROBE=$probe_exe VORK_KEYS=$work/keys \
  VORK_PLAYER_KEYS=$work/player VORK_PLAYER_KEYS_WINDOWS=$(winepath -w "$work/player" 2>/dev/null) \
  VORK_AXE=$VORK_BIN/pages/node_modules/axe-core/axe.min.js \
  /usr/bin/python3 "$here/typing_page.py" "$web_port" "$(head -n 1 "$work/opened")" || fail "the phone's steps (above)"
echo "typing: all steps passed"
