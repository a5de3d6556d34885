#!/usr/bin/env bash
# The built-in rules of keymaps/players.toml against the real programs from
# Debian's archive, driven by a phone through the Linux loopback build. Each
# key is checked on the program itself, never on Vork: the players' MPRIS
# interface and their sound at the sound server; the Impress show's slide
# through LibreOffice's own API; the window manager's full screen state;
# Okular's page over its D-Bus interface, Evince's in its page box (AT-SPI).
source "$(dirname "$0")/lib.sh"

# Each program starts from its defaults, not from a setting an earlier run kept.
export GSETTINGS_BACKEND=memory

mpris() { /usr/bin/python3 "$here/mpris.py" "$@"; }
app() { /usr/bin/python3 "$here/app_state.py" "$@"; }
expect_player() {  # expect_player PLAYER PROPERTY MODE VALUE
  local said
  said=$(mpris "$@") || fail "$said"
}
expect_app() {  # expect_app WHAT [ARG] VALUE: app_state.py's reading
  local said
  said=$(app "${@:1:$#-1}" wait "${!#}") || fail "$said"
}
# The number of WM_CLASS's windows (instance.Class) the window manager shows full screen.
full_screen() {
  local id state count=0
  for id in $(wmctrl -lx | awk -v class="$1" '$3 == class { print $1 }'); do
    state=$(xprop -id "$id" _NET_WM_STATE 2>/dev/null) || continue
    [[ $state == *_NET_WM_STATE_FULLSCREEN* ]] && count=$((count + 1))
  done
  echo "$count"
}
expect_full_screen() {  # expect_full_screen WM_CLASS COUNT
  for _ in $(seq 50); do [ "$(full_screen "$1")" = "$2" ] && return 0; sleep 0.1; done
  fail "$1 has $(full_screen "$1") windows full screen, expected $2: $(wmctrl -lx | tr '\n' '|')"
}
# The active window's WM_CLASS as wmctrl -x writes it: instance.Class.
active_class() {
  xprop -id "$(xdotool getactivewindow 2>/dev/null)" WM_CLASS 2>/dev/null |
    sed -nE 's/^WM_CLASS\(STRING\) = "(.*)", "(.*)"$/\1.\2/p'
}
front() {  # front WM_CLASS: waits for its window and brings it to the front
  # wmctrl only asks; the window is in front once the manager says it is active.
  for _ in $(seq 150); do
    wmctrl -x -a "$1" 2>/dev/null && [ "$(active_class)" = "$1" ] && return 0
    sleep 0.1
  done
  fail "no $1 window on the desktop: $(wmctrl -lx | tr '\n' '|')"
}
# One key from the trusted phone, on a connection of its own, held long
# enough for a volume key to fire once.
press() {
  phone --retry 8000 -s 'LOGIN:1MyPhone' -e 'LOGIN OK\n\r' -s "$1" -e "$1" -p 300 >"$work/press" 2>&1 ||
    fail "the phone's $1: $(cat "$work/press")"
}
# key KEY CHECK...: the phone's key, then the check on the program.
key() {
  press "$1"
  shift
  "$@"
}
position() { mpris "$1" Position; }
stop() { kill "$1" $(pgrep -P "$1") 2>/dev/null || true; }

# Two tagged tones of three minutes (a player's title is the tag), a PDF of three pages.
/usr/bin/python3 - "$work" <<'PY'
import math, struct, sys
period = b"".join(struct.pack("<h", int(8000 * math.sin(2 * math.pi * i / 20))) for i in range(20))
for number, name in enumerate(("first", "second"), 1):
    title = f"Tone {number}".encode() + b"\0"
    title += b"\0" * (len(title) % 2)  # RIFF chunks are of even length
    info = b"INFO" + b"INAM" + struct.pack("<I", len(title)) + title
    data = period * (8000 * 180 // 20)
    body = (b"WAVE" + b"fmt " + struct.pack("<IHHIIHH", 16, 1, 1, 8000, 16000, 2, 16)
            + b"LIST" + struct.pack("<I", len(info)) + info + b"data" + struct.pack("<I", len(data)) + data)
    with open(f"{sys.argv[1]}/{name}.wav", "wb") as tone:
        tone.write(b"RIFF" + struct.pack("<I", len(body)) + body)
objects = ["<< /Type /Catalog /Pages 2 0 R >>", "", "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"]
for number in range(1, 4):
    text = f"BT /F1 48 Tf 72 300 Td (Page {number}) Tj ET"
    objects.append(f"<< /Length {len(text)} >>\nstream\n{text}\nendstream")
    objects.append(f"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 400 400] /Contents {len(objects)} 0 R "
                   "/Resources << /Font << /F1 3 0 R >> >> >>")
objects[1] = "<< /Type /Pages /Kids [5 0 R 7 0 R 9 0 R] /Count 3 >>"
pdf, offsets = b"%PDF-1.4\n", []
for number, body in enumerate(objects, 1):
    offsets.append(len(pdf))
    pdf += f"{number} 0 obj\n{body}\nendobj\n".encode()
table = f"xref\n0 {len(objects) + 1}\n0000000000 65535 f \n" + "".join(f"{o:010d} 00000 n \n" for o in offsets)
pdf += (table + f"trailer\n<< /Size {len(objects) + 1} /Root 1 0 R >>\nstartxref\n{len(pdf)}\n%%EOF\n").encode()
with open(f"{sys.argv[1]}/pages.pdf", "wb") as out:
    out.write(pdf)
PY
first=file://$work/first.wav second=file://$work/second.wav

vork_with_trusted_phone

# The players' shared steps: pause and resume, next and back, volume down and up.
play_steps() {  # play_steps PLAYER ITEM-CHECK FIRST SECOND
  local player=$1 check=$2 volume
  key D:5 expect_player "$player" PlaybackStatus wait Paused
  key D:5 expect_player "$player" PlaybackStatus wait Playing
  key D:3 "$check" "$4"
  # Soon after the start of the item: the previous one, not the item's start.
  key D:1 "$check" "$3"
  volume=$(mpris "$player" Volume)
  key D:8 expect_player "$player" Volume below "$volume"
  volume=$(mpris "$player" Volume)
  key D:2 expect_player "$player" Volume above "$volume"
}
url() { expect_player "$player" Metadata wait "$1"; }
titled() { expect_app title "$player" "$1"; }
seek_steps() {  # seek_steps PLAYER SECONDS-BACK SECONDS-FORWARD
  local at
  at=$(position "$1")
  key D:6 expect_player "$1" Position above $((at + ${3} * 1000000 / 2))
  at=$(position "$1")
  key D:4 expect_player "$1" Position below $((at - ${2} * 1000000 / 2))
}
mute_steps() {
  key D:0 expect_app sound silent
  key D:0 expect_app sound loud
}

step "GNOME Videos (Totem): every key on its MPRIS interface, its sound and its window"
# The second file is queued once the first plays: two given at once are added in either order.
start totem "$work/first.wav" >"$work/totem.log" 2>&1
totem=$started player=totem
front totem.Totem
expect_app title totem "Tone 1"
totem --enqueue "$work/second.wav" >>"$work/totem.log" 2>&1 || fail "totem could not queue the second file"
play_steps totem titled "Tone 1" "Tone 2"
seek_steps totem 15 60
mute_steps
key 'D:*' expect_full_screen totem.Totem 1
stop "$totem"

step "Celluloid"
start celluloid "$work/first.wav" "$work/second.wav" >"$work/celluloid.log" 2>&1
celluloid=$started
front io.github.celluloid_player.Celluloid.Io.github.celluloid_player.Celluloid
for _ in $(seq 100); do
  player=$(dbus-send --session --print-reply=literal --dest=org.freedesktop.DBus / org.freedesktop.DBus.ListNames |
    grep -o 'io\.github\.celluloid_player\.Celluloid\.instance[-0-9]*' | head -n 1) || true
  [ -n "$player" ] && break
  sleep 0.1
done
expect_player "$player" Metadata wait "$first"
# It comes up paused now and then: its pause key starts it then.
mpris "$player" PlaybackStatus wait Playing 5000 >/dev/null || key D:5 expect_player "$player" PlaybackStatus wait Playing
# Its previous item is "<", on the ISO keyboard's own key here.
play_steps "$player" url "$first" "$second"
seek_steps "$player" 5 5
mute_steps
key 'D:*' expect_player "$player" Fullscreen wait true
expect_full_screen io.github.celluloid_player.Celluloid.Io.github.celluloid_player.Celluloid 1
stop "$celluloid"

step "Rhythmbox"
start rhythmbox "$work/first.wav" "$work/second.wav" >"$work/rhythmbox.log" 2>&1
rhythmbox=$started player=rhythmbox
front rhythmbox.Rhythmbox
expect_player rhythmbox PlaybackStatus wait Playing 15000
rhythmbox-client --play-uri="$first"
expect_player rhythmbox Metadata wait "$first"
# Its song list, which has the keyboard focus at first, takes the Ctrl and
# arrow keys: the focus goes to its Previous button, as after a click there.
app focus rhythmbox Previous || fail "Rhythmbox's Previous button took no focus"
play_steps rhythmbox url "$first" "$second"
mute_steps
stop "$rhythmbox"

step "Audacious"
start audacious "$work/first.wav" "$work/second.wav" >"$work/audacious.log" 2>&1
audacious=$started player=audacious
front audacious.Audacious
expect_player audacious Metadata wait "$first" 15000
play_steps audacious url "$first" "$second"
seek_steps audacious 5 5
mute_steps
key D:7 expect_player audacious PlaybackStatus wait Stopped
stop "$audacious"

# show_steps VCL WM_CLASS: LibreOffice drawing with GTK (gtk3) or its own X11
# drawing (gen), whose show's window has WM_CLASS (instance.Class, to a blank).
show_steps() {
  step "LibreOffice Impress ($1): the show's slide through LibreOffice's own API"
  local pipe=vork-apps-$$-$1
  start env SAL_USE_VCLPLUGIN="$1" soffice "--accept=pipe,name=$pipe;urp;" --norestore --nologo --nodefault \
    -env:UserInstallation="file://$work/office-$1" >"$work/office-$1.log" 2>&1
  local office=$started
  expect_app slide "$pipe" none  # as soon as it listens on its pipe
  [ -e "$work/show.odp" ] || app make-show "$pipe" "$work/show.odp" 2>"$work/make-show.log" ||
    fail "no presentation made: $(cat "$work/make-show.log")"
  # A copy each: the office that went before leaves its lock on its own.
  cp "$work/show.odp" "$work/show-$1.odp"
  timeout 60 env SAL_USE_VCLPLUGIN="$1" soffice "--accept=pipe,name=$pipe;urp;" \
    -env:UserInstallation="file://$work/office-$1" "$work/show-$1.odp" || fail "the office did not open show-$1.odp"
  front libreoffice.libreoffice-impress
  key 'D:*' expect_app slide "$pipe" 0
  expect_full_screen "$2" 1
  key D:3 expect_app slide "$pipe" 1
  key D:5 expect_app slide "$pipe" 2
  key D:1 expect_app slide "$pipe" 1
  key D:4 expect_app slide "$pipe" 0
  key D:6 expect_app slide "$pipe" 2
  key D:# expect_app slide "$pipe" none
  stop "$office"
}
show_steps gtk3 soffice.Soffice
show_steps gen libreoffice.LibreOffice

step "Evince: full screen by the window manager, the page in its page box after the presentation"
start evince "$work/pages.pdf" >"$work/evince.log" 2>&1
evince=$started
front evince.Evince
expect_app evince-page 1
key 'D:*' expect_full_screen evince.Evince 1
press D:3
key D:# expect_full_screen evince.Evince 0
expect_app evince-page 2
key 'D:*' expect_full_screen evince.Evince 1
press D:1
key D:# expect_full_screen evince.Evince 0
expect_app evince-page 1
stop "$evince"

step "Okular: full screen by the window manager, the page over its D-Bus interface"
start okular "$work/pages.pdf" >"$work/okular.log" 2>&1
okular=$started
front okular.okular
expect_app okular-page "$okular" 1
key 'D:*' expect_full_screen okular.okular 1
# Its notice on the first presentation, which the phone's Esc closes as a user's would.
notice() { wmctrl -l | grep -F "Information — Okular" >/dev/null; }
for _ in $(seq 50); do notice && break; sleep 0.1; done
notice || fail "no notice on Okular's first presentation: $(wmctrl -l | tr '\n' '|')"
press D:#
for _ in $(seq 50); do notice || break; sleep 0.1; done
key D:3 expect_app okular-page "$okular" 2
key D:3 expect_app okular-page "$okular" 3
key D:1 expect_app okular-page "$okular" 2
key D:# expect_full_screen okular.okular 0
stop "$okular"
echo "apps: all steps passed"
