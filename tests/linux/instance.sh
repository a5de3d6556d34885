#!/usr/bin/env bash
# The shipped Linux program on a PC without a system bus (so no BlueZ), in a
# Wayland session: the status says Bluetooth cannot be found, the notice line
# says what Wayland allows; a second start says Vork is running and ends,
# `vork --connect` beside it has the running copy open its Connect page,
# --version answers without a window, and the session's SIGTERM ends Vork
# cleanly, also while a key map's problem is on screen.
source "$(dirname "$0")/lib.sh"


step "--version"
[ "$("$VORK_BIN/src/vork" --version)" = "Vork $VORK_VERSION" ] || fail "--version printed $("$VORK_BIN/src/vork" --version)"

step "no system bus, and a Wayland session"
DBUS_SYSTEM_BUS_ADDRESS=unix:path=$work/no-bus WAYLAND_DISPLAY=wayland-test QT_QPA_PLATFORM=xcb \
  start "$VORK_BIN/src/vork" --web=8655
vork=$started
wait_status "Cannot find bluetooth: no system bus"
expect_state notice "Wayland: Vork can control only X11 windows (XWayland)"
expect_state accept 0; expect_state decline 0; expect_state hide 0

step "a second start says Vork is running, and ends when its message is closed"
"$VORK_BIN/src/vork" 2>"$work/second" &
second=$!
for _ in $(seq 50); do grep -q . "$work/second" && break; sleep 0.1; done
[ "$(head -n 1 "$work/second")" = "VORK instance already running." ] || fail "the second start said: $(cat "$work/second")"
xdotool search --sync --pid "$second" >/dev/null
xdotool key --clearmodifiers Return
wait "$second" || fail "the second start ended with $?"

step "vork --connect beside it: the running copy opens its Connect page"
"$VORK_BIN/src/vork" --connect || fail "vork --connect ended with $?"
for _ in $(seq 50); do [ -s "$work/opened" ] && break; sleep 0.1; done
[[ "$(head -n 1 "$work/opened" 2>/dev/null)" == http://127.0.0.1:*/ ]] ||
  fail "no Connect page was opened (opened: $(cat "$work/opened" 2>/dev/null))"
kill -0 "$vork" || fail "the first copy is gone"

step "the session ends it (SIGTERM), also while a key map's problem is on screen"
kill -TERM "$vork"
wait "$vork" || fail "Vork ended by SIGTERM with $?"
printf '[[app]\nname = \n' >"$work/broken.toml"
start "$VORK_BIN/src/vork" --config "$work/broken.toml" 2>"$work/broken"
broken=$started
timeout 10 xdotool search --sync --pid "$broken" >/dev/null || fail "no message box for the broken key map"
kill -TERM "$broken"
for _ in $(seq 50); do kill -0 "$broken" 2>/dev/null || break; sleep 0.1; done
kill -0 "$broken" 2>/dev/null && fail "the key map's problem still on screen 5 s after SIGTERM"
wait "$broken" || fail "Vork showing a key map's problem ended by SIGTERM with $?"
echo "instance: all steps passed"
