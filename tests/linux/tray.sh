#!/usr/bin/env bash
# The icon by the clock on a desktop with a system tray (trayer, XEmbed): the
# icon is there, its menu opens on a right click, "Connect a phone…" hands
# the Connect page to the user's browser, a phone's request while another
# window is in front becomes the desktop's notification, and Quit ends Vork.
source "$(dirname "$0")/lib.sh"

start trayer --edge top --align right --widthtype pixel --width 120 --heighttype pixel --height 28 --transparent false
for _ in $(seq 50); do xdotool search --class trayer >/dev/null 2>&1 && break; sleep 0.1; done
start "$VORK_BIN/src/vork-loopback"
vork=$started
wait_status "Waiting for phone to connect"

step "a phone's request while another window is in front is a desktop notification, the next one in its place"
/usr/bin/python3 "$here/notification_server.py" "$work/notified" >"$work/server" &
background+=("$!")
wait_file_line "$work/server" READY
recorder notes "Notes" notes
# A declined phone is not asked about again for a while: the second request
# is another's, from another address.
for phone in MyPhone@127.0.0.1 OtherPhone@127.0.0.2; do
  name=${phone%@*}
  # The listener offers its service again a moment after each phone.
  phone --retry 8000 --from "${phone#*@}" -s "LOGIN:1$name" -e 'LOGIN ERR\n\r' >"$work/request" 2>&1 &
  asking=$!
  wait_status "$name requesting connection."
  reader press DECLINE
  wait "$asking" || fail "the declined phone: $(cat "$work/request")"
done
wait_file_line "$work/notified" "Vork|0|Vork|MyPhone wants to connect – open Vork to accept or decline"
wait_file_line "$work/notified" "Vork|1|Vork|OtherPhone wants to connect – open Vork to accept or decline"

step "the icon is in the tray; a right click opens its menu"
read -r width _ < <(xdotool getdisplaygeometry)
icon_x=$((width - 10))
windows() { xdotool search --onlyvisible --pid "$vork" 2>/dev/null | wc -l; }
# The window and the icon: the menu is the one more.
for _ in $(seq 50); do [ "$(windows)" -ge 2 ] && break; sleep 0.1; done
[ "$(windows)" -ge 2 ] || fail "Vork's icon is not in the tray"
before=$(windows)
xdotool mousemove "$icon_x" 14 click 3
for _ in $(seq 30); do [ "$(windows)" -gt "$before" ] && break; sleep 0.1; done
[ "$(windows)" -gt "$before" ] || fail "no menu opened on the tray icon"

step "\"Connect a phone…\" opens the Connect page in the user's browser"
sleep 0.5
xdotool key Down Down Return
for _ in $(seq 50); do [ -s "$work/opened" ] && break; sleep 0.1; done
[[ "$(head -n 1 "$work/opened" 2>/dev/null)" == http://127.0.0.1:*/ ]] ||
  fail "the menu opened no Connect page (opened: $(cat "$work/opened" 2>/dev/null))"

step "Quit ends Vork"
xdotool mousemove "$icon_x" 14 click 3
for _ in $(seq 30); do [ "$(windows)" -gt "$before" ] && break; sleep 0.1; done
sleep 0.5  # the menu takes the keyboard a moment after it shows
xdotool key Up Return
for _ in $(seq 50); do kill -0 "$vork" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$vork" 2>/dev/null; then fail "Vork still runs after Quit"; fi
echo "tray: all steps passed"
