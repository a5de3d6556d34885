#!/usr/bin/env bash
# A whole phone session with the loopback build: a new phone asks and is
# accepted, its keys reach a media player, a held key moves the pointer and
# stops when the phone goes, the same phone is let in at once, the same name
# from another device is asked for again and declined.
source "$(dirname "$0")/lib.sh"

probe one-to-one >/dev/null
start_windows "$VORK_BIN/src/vork-loopback.exe"
vork=$started
wait_status "Waiting for phone to connect"
expect_state accept 0; expect_state decline 0; expect_state hide 0

step "a media player is in front"
start_windows "$probe_exe" target "clip.mp4 - VLC media player" "$(winepath -w "$work/keys" 2>/dev/null)" 120000
wait_file_line "$work/keys" READY

step "a new phone logs in and waits for the user"
phone -s 'LOGIN:1MyPhone' -e 'LOGIN OK\n\r' -p 200 -s D:1 -e D:1 -p 300 -s D:R -e D:R -p 700 >"$work/phone1" 2>&1 &
phone1=$!
wait_status "MyPhone requesting connection."
expect_state accept 1; expect_state decline 1; expect_state hide 0

step "the user clicks ACCEPT"
probe click 1000
wait_status "Connected."
expect_state accept 0; expect_state hide 1

step "D:1 presses P in the player, D:R moves the pointer right"
wait_file_line "$work/keys" "KEYDOWN 50 scan 19"
wait_file_line "$work/keys" "KEYUP 50 scan 19 ext"
sleep 0.5
x1=$(probe cursor | cut -d' ' -f1)
[ "$x1" -gt 20 ] || fail "the pointer did not move right (x=$x1)"
wait "$phone1" || fail "the first phone's replies: $(cat "$work/phone1")"

step "the phone has gone: the pointer stops"
sleep 0.3
x2=$(probe cursor | cut -d' ' -f1)
sleep 0.5
x3=$(probe cursor | cut -d' ' -f1)
[ "$x2" = "$x3" ] || fail "the pointer kept moving after the phone left ($x2 -> $x3)"
width=$(probe screen | cut -d' ' -f1)
[ $((x3 + 200)) -lt "$width" ] || fail "the pointer stood near the screen's edge (x=$x3 of $width): a stop could not be seen"

step "the same phone from the same device is let in at once"
wait_status "Waiting for phone to connect"
phone --timeout 1500 -s 'LOGIN:1MyPhone' -e 'LOGIN OK\n\r' -s D:5 -e D:5 -p 1500 >"$work/phone2" 2>&1 &
phone2=$!
wait_status "Connected." 3000
expect_state hide 1
wait "$phone2" || fail "the returning phone's replies: $(cat "$work/phone2")"

step "the same name from another device is asked for, and declined"
wait_status "Waiting for phone to connect"
phone --from 127.0.0.2 -s 'LOGIN:1MyPhone' -e 'LOGIN ERR\n\r' -s D:1 -e D:1 -p 1500 >"$work/phone3" 2>&1 &
phone3=$!
wait_status "MyPhone requesting connection."
probe click 1002
sleep 0.3
expect_state accept 0; expect_state decline 0; expect_state hide 0
expect_state status "MyPhone requesting connection."
wait "$phone3" || fail "the declined phone's replies: $(cat "$work/phone3")"

grep -c "KEYDOWN 50" "$work/keys" | grep -qx 1 || fail "P was pressed more than once: $(cat "$work/keys")"
kill -0 "$vork" || fail "Vork is gone"
echo "session: all steps passed"
