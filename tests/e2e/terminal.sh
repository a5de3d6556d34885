#!/usr/bin/env bash
# A phone that sends as a generic Bluetooth terminal app does: every text
# ending in CR LF, split into 3-byte writes. It logs in, D:1 presses P in
# VLC, D:R moves the pointer and the stop text "S" stops it; each echo comes
# back as a line. A phone that sends no line endings gets the old bytes.
source "$(dirname "$0")/lib.sh"

probe one-to-one >/dev/null
start_windows "$VORK_BIN/src/vork-loopback.exe"
vork=$started
wait_status "Waiting for phone to connect"
start_windows "$probe_exe" target "clip.mp4 - VLC media player" "$(winepath -w "$work/keys" 2>/dev/null)" 120000
wait_file_line "$work/keys" READY

step "a terminal phone logs in and the user accepts"
# Its first text is a bare line ending, so that the login that follows in
# pieces is already read as a line.
phone --line-ending crlf --chunk 3 -s '' -e '' -s 'LOGIN:1Pixel' -e 'LOGIN OK\n\r' -s D:1 -e 'D:1\r\n' \
  -s D:R -e 'D:R\r\n' -p 600 -s S -e 'S\r\n' -p 1500 >"$work/terminal" 2>&1 &
terminal=$!
wait_status "Pixel requesting connection."
probe click 1000

step "D:1 gives P in the player; D:R moves the pointer and S stops it"
wait_file_line "$work/keys" "KEYDOWN 50 scan 19"
wait_file_line "$work/terminal" '< S\r\n'  # the phone is still connected
x1=$(probe cursor | cut -d' ' -f1)
[ "$x1" -gt 20 ] || fail "the pointer did not move right (x=$x1)"
sleep 0.4
x2=$(probe cursor | cut -d' ' -f1)
[ "$x1" = "$x2" ] || fail "the pointer kept moving after S ($x1 -> $x2)"
wait "$terminal" || fail "the terminal phone's replies: $(cat "$work/terminal")"

step "the same session without line endings gets exactly the old bytes"
wait_status "Waiting for phone to connect"
phone --line-ending none --timeout 2000 -s 'LOGIN:1Pixel' -e 'LOGIN OK\n\r' -s D:1 -e D:1 >"$work/plain" 2>&1 ||
  fail "the plain phone's replies: $(cat "$work/plain")"

kill -0 "$vork" || fail "Vork is gone"
echo "terminal: all steps passed"
