#!/usr/bin/env bash
# The browser remote in a real browser: headless Chromium at a phone's size,
# on a plain-HTTP origin that is not loopback (the PC's own name), against
# vork-loopback.exe --web under Wine, paired from its Connect page (see
# browser_remote.py for the steps).
source "$(dirname "$0")/lib.sh"

web_port=${VORK_WEB_PORT:-8651}
probe one-to-one >/dev/null

step "without --web no port is open and no address is shown"
start_windows "$VORK_BIN/src/vork-loopback.exe"
wait_status "Waiting for phone to connect"
expect_state address ""
python3 - "$web_port" <<'PY' || fail "something listens on the browser remote's port without --web"
import socket, sys
s = socket.socket()
s.settimeout(1)
sys.exit(0 if s.connect_ex(("127.0.0.1", int(sys.argv[1]))) != 0 else 1)
PY
probe close >/dev/null
probe wait-gone 5000 >/dev/null || fail "Vork did not close"

step "a port another program holds is named in the window; Vork takes it once it is free"
# SO_REUSEADDR only so that the last run's closed connections do not stop it.
/usr/bin/python3 -c 'import socket, sys, time
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("0.0.0.0", int(sys.argv[1]))); s.listen(); print("holding", flush=True); time.sleep(60)' "$web_port" >"$work/holder" &
holder=$!
background+=("$holder")
wait_file_line "$work/holder" holding
map=$work/vork.toml
printf '[web]\nenabled = true\nport = %s\n' "$web_port" >"$map"
start_windows "$VORK_BIN/src/vork-loopback.exe" --config "$(winepath -w "$map" 2>/dev/null)"
wait_status "Waiting for phone to connect"
for _ in $(seq 50); do [ "$(probe state | sed -n 's/^address=//p')" != "" ] && break; sleep 0.1; done
expect_state address "Browser remote: port $web_port is in use, trying again"
kill "$holder"
wait "$holder" 2>/dev/null || true  # killed: its status says only that
step "the settings file's [web] section switched the remote on"
for _ in $(seq 100); do [[ "$(probe state | sed -n 's/^address=//p')" == *":$web_port"* ]] && break; sleep 0.1; done
address=$(probe state | sed -n 's/^address=//p')
[[ "$address" == "Browser remote: "*":$web_port"* ]] || fail "the address line reads \"$address\" after the port was freed"
curl_status=$(/usr/bin/python3 -c 'import http.client, sys
c = http.client.HTTPConnection("127.0.0.1", int(sys.argv[1]), timeout=5); c.request("GET", "/")
print(c.getresponse().status)' "$web_port") || fail "the remote page did not answer"
[ "$curl_status" = 200 ] || fail "the remote page answered $curl_status"
probe close >/dev/null
probe wait-gone 5000 >/dev/null || fail "Vork did not close"

step "with --web=$web_port --connect the window shows the address and the Connect page opens"
# The prefix's "browser" records the address Vork asks the system to open.
printf '#!/bin/sh\necho "$1" >>"%s"\n' "$work/opened" >"$work/browser.sh"
chmod +x "$work/browser.sh"
"$wine_run" reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /t REG_SZ /d "$work/browser.sh" /f >/dev/null 2>&1
start_windows "$VORK_BIN/src/vork-loopback.exe" "--web=$web_port" --connect
vork=$started
wait_status "Waiting for phone to connect"
address=$(probe state | sed -n 's/^address=//p')
[[ "$address" == "Browser remote: "*":$web_port"* ]] || fail "the address line reads \"$address\""
for _ in $(seq 100); do [ -s "$work/opened" ] && break; sleep 0.1; done
[ -s "$work/opened" ] || fail "no Connect page was opened"

start_windows "$probe_exe" target "clip.mp4 - VLC media player" "$(winepath -w "$work/keys" 2>/dev/null)" 170000
wait_file_line "$work/keys" READY

kill -0 "$vork" || fail "Vork is gone"
# The last step closes Vork and starts it again; the clean-up closes that one.
VORK_WINE_RUN=$wine_run VORK_PROBE=$probe_exe VORK_KEYS=$work/keys VORK_EXE=$VORK_BIN/src/vork-loopback.exe \
  /usr/bin/python3 "$here/browser_remote.py" "$web_port" "$(head -n 1 "$work/opened")" || fail "the browser steps (above)"
echo "browser: all steps passed"
