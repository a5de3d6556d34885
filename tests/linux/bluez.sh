#!/usr/bin/env bash
# The shipped Linux program's Bluetooth, through a BlueZ of the test's own on
# a private system bus: without BlueZ the status says so; when BlueZ appears
# Vork registers its Serial Port profile without a restart; a phone that
# BlueZ hands over asks, is accepted through the window's ACCEPT, and its keys
# and a held arrow reach the X11 window in front; after its U:X the same
# device is asked again, and declined; when BlueZ restarts, Vork registers
# its profile with the new one.
source "$(dirname "$0")/lib.sh"

bluez_port=${VORK_BLUEZ_PORT:-5161}
dbus-daemon --session --nofork --print-address=1 >"$work/bus" 2>/dev/null &
background+=($!)
for _ in $(seq 50); do [ -s "$work/bus" ] && break; sleep 0.1; done
DBUS_SYSTEM_BUS_ADDRESS=$(head -n 1 "$work/bus")
export DBUS_SYSTEM_BUS_ADDRESS

step "no BlueZ on the system bus"
start "$VORK_BIN/src/vork"
vork=$started
wait_status "Cannot find bluetooth: BlueZ is not running"
expect_state notice "No Bluetooth? Connect by browser: click here"

step "BlueZ appears: Vork registers its profile, without a restart"
start /usr/bin/python3 "$here/fake_bluez.py" "$bluez_port" >"$work/bluez"
bluez=$started
wait_file_line "$work/bluez" READY
wait_status "Waiting for phone to connect" 12000
wait_file_line "$work/bluez" \
  "REGISTERED 00001101-0000-1000-8000-00805f9b34fb Name=Vork RequireAuthentication=True RequireAuthorization=True Role=server"
recorder keys "clip.mp4 - VLC media player" vlc

step "a phone that BlueZ hands over asks, and the user presses ACCEPT"
phone --port "$bluez_port" -s 'LOGIN:1MyPhone' -e 'LOGIN OK\n\r' -p 300 -s D:1 -e D:1 -p 300 -s D:R -e D:R -p 700 \
  -s U:X -e U:X >"$work/phone1" 2>&1 &
phone1=$!
wait_status "MyPhone requesting connection."
wait_file_line "$work/bluez" "HANDED AA:BB:CC:DD:EE:01"
reader press ACCEPT
wait_status "Connected."
wait_file_line "$work/keys" "KEYDOWN p U+0070"
sleep 0.5
x1=$(pointer_x)
[ "$x1" -gt 20 ] || fail "the held arrow did not move the pointer (x=$x1)"
wait "$phone1" || fail "the phone's replies: $(cat "$work/phone1")"
sleep 0.3
x2=$(pointer_x)
sleep 0.5
[ "$(pointer_x)" = "$x2" ] || fail "the pointer kept moving after the phone left"

step "after its U:X the same device is asked again, and the user declines"
wait_status "Waiting for phone to connect"
phone --port "$bluez_port" -s 'LOGIN:1MyPhone' -e 'LOGIN ERR\n\r' >"$work/phone2" 2>&1 &
phone2=$!
wait_status "MyPhone requesting connection."
reader press DECLINE
wait "$phone2" || fail "the declined phone's replies: $(cat "$work/phone2")"

step "BlueZ restarts: Vork registers its profile with the new one"
wait_status "Waiting for phone to connect"  # the profile registered again after the declined phone
kill -TERM "$bluez"
wait_file_line "$work/bluez" RELEASED
start /usr/bin/python3 "$here/fake_bluez.py" "$bluez_port" >"$work/bluez2"
wait_file_line "$work/bluez2" READY
wait_file_line "$work/bluez2" \
  "REGISTERED 00001101-0000-1000-8000-00805f9b34fb Name=Vork RequireAuthentication=True RequireAuthorization=True Role=server" 150
wait_status "Waiting for phone to connect" 12000
kill -0 "$vork" || fail "Vork is gone"
echo "bluez: all steps passed"
