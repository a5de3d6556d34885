#!/usr/bin/env bash
# Vork's place on the PC under Wine: a damaged pairings file, the icon's menu
# (driven through its callback message, as Explorer sends it), a request
# while the window is minimised, the Connect page opened every way there is,
# its switch remembered over a restart, and Forget (see connect_page.py).
source "$(dirname "$0")/lib.sh"

web_port=${VORK_WEB_PORT:-8653}
win_env() { "$wine_run" cmd /c echo "%$1%" 2>/dev/null | tr -d '\r'; }
reg_value() { "$wine_run" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"; }
app_data=$(winepath -u "$(win_env APPDATA)" 2>/dev/null)
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'

# The prefix's "browser" records the addresses Vork asks the system to open.
printf '#!/bin/sh\necho "$1" >>"%s"\n' "$work/opened" >"$work/browser.sh"
chmod +x "$work/browser.sh"
"$wine_run" reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /t REG_SZ /d "$work/browser.sh" /f >/dev/null 2>&1
opened() { if [ -f "$work/opened" ]; then wc -l <"$work/opened"; else echo 0; fi; }
wait_opened() {  # wait_opened COUNT: until Vork has opened COUNT addresses
  for _ in $(seq 100); do [ "$(opened)" -ge "$1" ] && return 0; sleep 0.1; done
  fail "Vork opened $(opened) addresses, expected $1"
}

# The settings file names the port only: the switch is the user's. Bluetooth
# phones are kept over a restart.
map=$work/vork.toml
settings() { printf '[web]\nport = %s\n[bluetooth]\nremember = true\n' "$web_port" >"$map"; }
settings
start_vork() { start_windows "$VORK_BIN/src/vork-loopback.exe" --config "$(winepath -w "$map" 2>/dev/null)"; }

step "a damaged pairings file: Vork says so once, keeps it as .bad and works"
mkdir -p "$app_data/Vork"
echo "not what Vork wrote" >"$app_data/Vork/pairings.dat"
start_vork
wait_status "Waiting for phone to connect"
expect_state notice "Paired phones were lost (damaged file)"
[ -f "$app_data/Vork/pairings.dat.bad" ] || fail "the damaged file was not kept beside as .bad"
expect_state address ""

step "the icon's menu: Start when I sign in, on and off"
probe tray-menu 3
for _ in $(seq 50); do [ -n "$(reg_value "$run_key" Vork)" ] && break; sleep 0.1; done
[[ "$(reg_value "$run_key" Vork)" == *'vork-loopback.exe" --minimized' ]] || fail "the sign-in start is \"$(reg_value "$run_key" Vork)\""
probe tray-menu 3
for _ in $(seq 50); do [ -z "$(reg_value "$run_key" Vork)" ] && break; sleep 0.1; done
[ -z "$(reg_value "$run_key" Vork)" ] || fail "the sign-in start stayed"

step "the icon's menu: Open key maps makes a commented settings file to edit"
rm "$map"
probe tray-menu 4
for _ in $(seq 50); do [ -s "$map" ] && break; sleep 0.1; done
grep -qF '# [bluetooth]' "$map" || fail "no starter settings file: $(cat "$map" 2>&1)"
settings

step "a request while the window is minimised notifies, and the window stays down"
probe key 27  # Escape hides
for _ in $(seq 30); do [ "$(probe state | sed -n 's/^minimised=//p')" = 1 ] && break; sleep 0.1; done
phone --from 127.0.0.2 -s 'LOGIN:1Pixel' -e 'LOGIN ERR\n\r' >"$work/phone" 2>&1 &
asker=$!
wait_status "Pixel requesting connection."
probe balloon 5000 >/dev/null || fail "no notification of the request"
expect_state minimised 1
probe tray left
for _ in $(seq 30); do [ "$(probe state | sed -n 's/^minimised=//p')" = 0 ] && break; sleep 0.1; done
expect_state minimised 0
probe click 1002
wait "$asker" || fail "the declined phone: $(cat "$work/phone")"

step "the Connect page: from the icon's menu, the system menu and a second vork.exe --connect"
probe tray-menu 1
wait_opened 1
probe system-menu 16
wait_opened 2
status=0
"$wine_run" "$VORK_BIN/src/vork-loopback.exe" --connect >/dev/null 2>&1 || status=$?
[ "$status" = 0 ] || fail "a second vork.exe --connect ended with $status"
wait_opened 3
probe state >/dev/null || fail "the running Vork is gone"
[ "$(sort -u "$work/opened" | grep -c .)" = 1 ] || fail "different addresses were opened: $(cat "$work/opened")"
page=$(head -n 1 "$work/opened")
[[ "$page" =~ ^http://127\.0\.0\.1:[0-9]+/[0-9a-f]{32}/$ ]] || fail "the Connect page's address is $page"

step "the page's steps (connect_page.py)"
VORK_WINE_RUN=$wine_run VORK_PROBE=$probe_exe VORK_PHONE=$VORK_PHONE VORK_PORT=$port \
  /usr/bin/python3 "$here/connect_page.py" "$page" "$web_port" || fail "the Connect page's steps (above)"
[ "$(reg_value 'HKCU\Software\Vork' BrowserRemote)" = 0x1 ] || fail "the switch was not remembered"

step "a click on the address line opens the Connect page too"
before=$(opened)
probe click 1005
wait_opened $((before + 1))

step "the switch and an accepted phone outlive a restart"
phone --from 127.0.0.5 -s 'LOGIN:1Kept' -e 'LOGIN OK\n\r' >"$work/kept" 2>&1 &
kept=$!
wait_status "Kept requesting connection."
sleep 1.1  # Enter counts only for a request on screen for a second; a click would at once
probe key 13
wait "$kept" || fail "the phone to keep: $(cat "$work/kept")"
probe tray-menu 5  # Quit
probe wait-gone 5000 >/dev/null || fail "Quit did not close Vork"
start_vork
wait_status "Waiting for phone to connect"
# The last copy's port may take Wine a moment to let go: the new one retries until it has it.
for _ in $(seq 300); do [[ "$(probe state | sed -n 's/^address=//p')" == *":$web_port" ]] && break; sleep 0.1; done
[[ "$(probe state | sed -n 's/^address=//p')" == *":$web_port" ]] || fail "the browser remote was not on after the restart"
expect_state notice ""
phone --from 127.0.0.5 --timeout 2000 -s 'LOGIN:1Kept' -e 'LOGIN OK\n\r' >"$work/kept" 2>&1 ||
  fail "the kept phone was asked for again: $(cat "$work/kept")"
echo "connect: all steps passed"
