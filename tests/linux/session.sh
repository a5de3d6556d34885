#!/usr/bin/env bash
# A whole phone session with the Linux loopback build on a real X server: a
# new phone asks and is accepted through the window's ACCEPT as a screen
# reader presses it; its keys reach the X11 window in front as the keysyms a
# media player gets; a held arrow moves the pointer and stops when the phone
# goes; the master mute changes the sound server's default sink; the same
# phone is let in at once the next time; on a German keyboard a rule's
# characters reach the window as those characters and go up as they went
# down, also after a Vork killed outright left its spare keys behind, after
# the layout is loaded again and beside keys xmodmap put on Vork's keycodes;
# a Vork ended by SIGTERM takes its own off.
source "$(dirname "$0")/lib.sh"

start "$VORK_BIN/src/vork-loopback"
vork=$started
wait_status "Waiting for phone to connect"
expect_state accept 0; expect_state decline 0; expect_state hide 0

step "a media player is in front"
recorder keys "clip.mp4 - VLC media player" vlc

step "a new phone logs in and waits for the user"
phone -s 'LOGIN:1MyPhone' -e 'LOGIN OK\n\r' -p 300 -s D:1 -e D:1 -p 300 -s D:0 -e D:0 -p 300 -s D:R -e D:R -p 700 \
  >"$work/phone1" 2>&1 &
phone1=$!
wait_status "MyPhone requesting connection."
expect_state accept 1; expect_state decline 1; expect_state hide 0

step "the user presses ACCEPT"
mute_before=$(pactl get-sink-mute @DEFAULT_SINK@)
reader press ACCEPT
wait_status "Connected."
expect_state accept 0; expect_state hide 1

step "D:1 presses p in the player, D:R moves the pointer right"
wait_file_line "$work/keys" "KEYDOWN p U+0070"
wait_file_line "$work/keys" "KEYUP p U+0070"
sleep 0.5
x1=$(pointer_x)
[ "$x1" -gt 20 ] || fail "the pointer did not move right (x=$x1)"
wait "$phone1" || fail "the first phone's replies: $(cat "$work/phone1")"

step "the phone has gone: the pointer stops"
sleep 0.3
x2=$(pointer_x)
sleep 0.5
x3=$(pointer_x)
[ "$x2" = "$x3" ] || fail "the pointer kept moving after the phone left ($x2 -> $x3)"

step "D:0 in VLC is VLC's own mute key (m), not the sound server's"
grep -qxF "KEYDOWN m U+006D" "$work/keys" || fail "no m reached the player: $(tr '\n' '|' <"$work/keys")"
[ "$(pactl get-sink-mute @DEFAULT_SINK@)" = "$mute_before" ] || fail "the default sink's mute changed"

step "the same phone from the same device is let in at once; in a window Vork does not know, D:0 mutes the sink"
wait_status "Waiting for phone to connect"
recorder other "Notes" notes
phone --timeout 3000 -s 'LOGIN:1MyPhone' -e 'LOGIN OK\n\r' -s D:0 -e D:0 -p 800 >"$work/phone2" 2>&1 &
phone2=$!
wait_status "Connected." 3000
wait "$phone2" || fail "the returning phone's replies: $(cat "$work/phone2")"
[ "$(pactl get-sink-mute @DEFAULT_SINK@)" = "Mute: yes" ] || fail "the default sink was not muted: $(pactl get-sink-mute @DEFAULT_SINK@)"

step "another device with the same name asks; Enter in Vork's window accepts it once it has been on screen a second"
wait_status "Waiting for phone to connect"
phone --from 127.0.0.2 -s 'LOGIN:1MyPhone' -e 'LOGIN OK\n\r' -p 500 >"$work/phone3" 2>&1 &
phone3=$!
wait_status "MyPhone requesting connection."
wmctrl -a "Pellandra v1.2"
xdotool key --window "$(xdotool search --name '^Pellandra v1.2$' | head -n 1)" Return
sleep 0.3
expect_state status "MyPhone requesting connection."
sleep 1
xdotool key --window "$(xdotool search --name '^Pellandra v1.2$' | head -n 1)" Return
wait_status "Connected." 3000
wait "$phone3" || fail "the phone accepted by Enter: $(cat "$work/phone3")"

grep -c "KEYDOWN p U+0070" "$work/keys" | grep -qx 1 || fail "p was pressed more than once: $(cat "$work/keys")"
[ ! -s "$work/opened" ] || fail "Vork opened $(cat "$work/opened") though nobody asked"
kill -0 "$vork" || fail "Vork is gone"

step "on a German keyboard, a rule's characters are pressed where that layout has them"
kill "$vork"; wait "$vork" 2>/dev/null || true
setxkbmap de
# How many keys of the map type [ (a key's block may span lines).
keys_typing_bracket() {
  local map
  map=$(xkbcomp -w 0 -xkb "$DISPLAY" -) || fail "xkbcomp could not read the keyboard map"
  awk -v RS='};' '/key </ && /bracketleft/ { n++ } END { print n + 0 }' <<<"$map"
}
layout_alone=$(keys_typing_bracket)
printf '[[app]]\nname = "Notizen"\nclass = "german"\n[app.keys]\n"1" = "{PLUS}<>z{VKEY 188}[][{ENTER}"\n"2" = "|"\n' >"$work/german.toml"
vork_with_trusted_phone --config "$work/german.toml"
vork=$started
german_keys() {  # german_keys NAME: D:1 from the trusted phone, what the window NAME got
  phone --timeout 3000 -s 'LOGIN:1MyPhone' -e 'LOGIN OK\n\r' -s D:1 -e D:1 -p 500 >"$work/phone-$1" 2>&1 ||
    fail "the phone on the German keyboard: $(cat "$work/phone-$1")"
  local keys='$1 ~ /^KEY/ && $2 !~ /^Shift/ { printf "%s %s %s|", $1, $2, $3 }'
  for _ in $(seq 50); do [ "$(awk "$keys" "$work/$1" | grep -o KEYUP | wc -l)" -ge 9 ] && break; sleep 0.1; done
  pressed=$(awk "${keys/KEY/KEYDOWN}" "$work/$1")
  # Each character's own keysym; 188 is the key right of M, the comma there too;
  # the brackets, behind AltGr there, on a spare key.
  [ "$pressed" = "KEYDOWN plus U+002B|KEYDOWN less U+003C|KEYDOWN greater U+003E|KEYDOWN z U+007A|KEYDOWN comma U+002C|KEYDOWN bracketleft U+005B|KEYDOWN bracketright U+005D|KEYDOWN bracketleft U+005B|KEYDOWN Return U+0000|" ] ||
    fail "the German keyboard's window $1 got $pressed"
  # Every key goes up as it went down (Enter too, whose release names the keypad's).
  [ "$(awk "${keys/KEY/KEYUP}" "$work/$1")" = "${pressed//KEYDOWN/KEYUP}" ] ||
    fail "the German keyboard's window $1 got the releases $(awk "${keys/KEY/KEYUP}" "$work/$1")"
}
recorder german "Notizen" german
first_window=$started
wait_status "Waiting for phone to connect"
german_keys german

step "a Vork killed outright leaves its keys behind, the next still types the right characters"
kill -KILL "$vork"; wait "$vork" 2>/dev/null || true
left_behind=$(keys_typing_bracket)
[ "$left_behind" -gt "$layout_alone" ] || fail "the killed Vork left no key typing [ behind"
kill "$first_window"
vork_with_trusted_phone --config "$work/german.toml"
vork=$started
recorder german2 "Notizen" german
second_window=$started
wait_status "Waiting for phone to connect"
german_keys german2

step "the layout loaded again (as setxkbmap does) takes Vork's keys: it puts them back"
kill "$second_window"
setxkbmap de
[ "$(keys_typing_bracket)" = "$layout_alone" ] || fail "the layout loaded again kept keys typing ["
recorder german3 "Notizen" german
third_window=$started
wait_status "Waiting for phone to connect"
german_keys german3
kill "$third_window"

step "keys another program (xmodmap) puts on Vork's spare keycodes and on a pin's are left alone"
# All empty keycodes but the ten highest: a new character must find a place among those.
taken=()
for keycode in $(xmodmap -pke | awk '$1 == "keycode" && NF == 3 { print $2 }' | sort -n | head -n -10); do
  taken+=(-e "keycode $keycode = F20")
done
xmodmap "${taken[@]}"
others=$(xmodmap -pke | grep -c ' = F20 ')
recorder german4 "Notizen" german
wait_status "Waiting for phone to connect"
phone --timeout 3000 -s 'LOGIN:1MyPhone' -e 'LOGIN OK\n\r' -s D:2 -e D:2 -p 300 >"$work/phone-bar" 2>&1 ||
  fail "the phone's D:2: $(cat "$work/phone-bar")"
wait_file_line "$work/german4" "KEYUP bar U+007C"
[ "$(xmodmap -pke | grep -c ' = F20 ')" = "$others" ] || fail "Vork took spare keycodes another program had filled"
pin=$(xmodmap -pke | awk '$1 == "keycode" && $4 == "bracketleft" && $5 == "bracketleft" && !pin { pin = $2 } END { print pin }')
[ -n "$pin" ] || fail "no keycode of Vork's types ["
xmodmap -e "keycode $pin = F20"
kill "$started"
recorder german5 "Notizen" german
wait_status "Waiting for phone to connect"
german_keys german5
[ "$(xmodmap -pke | sed -n "s/^keycode *$pin = //p")" = "F20 NoSymbol F20" ] || fail "Vork took keycode $pin from F20"

step "ended as a session ends it (SIGTERM), Vork takes its keys off the keyboard"
[ "$(keys_typing_bracket)" -gt "$layout_alone" ] || fail "no key of its own typed [ while Vork ran"
kill -TERM "$vork"
for _ in $(seq 100); do kill -0 "$vork" 2>/dev/null || break; sleep 0.1; done
kill -0 "$vork" 2>/dev/null && fail "Vork still runs 10 s after SIGTERM"
ended=0; wait "$vork" || ended=$?
[ "$ended" = 0 ] || fail "Vork ended by SIGTERM with status $ended"
[ "$(keys_typing_bracket)" = "$layout_alone" ] || fail "Vork left its keys on the keyboard"
echo "session: all steps passed"
