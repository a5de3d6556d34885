#!/usr/bin/env bash
# Real players from Debian's archive, driven by a phone through the Linux
# loopback build, their state read from their own MPRIS interface and from
# the window manager, never from Vork: keys pause and resume VLC, move it to
# its next item and back, make it full screen and raise its volume; the same
# for mpv (with mpv-mpris), whose previous item is "<". The clips are made here (YUV4MPEG2 and a WAV tone beside
# them, for a volume to change; no encoder needed).
source "$(dirname "$0")/lib.sh"

mpris() { /usr/bin/python3 "$here/mpris.py" "$@"; }
expect_player() {  # expect_player PLAYER PROPERTY MODE VALUE
  local said
  said=$(mpris "$@") || fail "$said"
}
# One key from the trusted phone, on a connection of its own (the listener
# offers its service again a moment after each phone has gone), held long
# enough for a volume key to fire once.
press() {
  phone --retry 8000 -s 'LOGIN:1MyPhone' -e 'LOGIN OK\n\r' -s "$1" -e "$1" -p 300 >"$work/press" 2>&1 ||
    fail "the phone's $1: $(cat "$work/press")"
}
fullscreen() { xprop -name "$1" _NET_WM_STATE | grep -q _NET_WM_STATE_FULLSCREEN; }

/usr/bin/python3 - "$work" <<'PY'
import sys
def clip(path, shade, seconds=60, w=64, h=48, fps=25):
    with open(path, "wb") as f:
        f.write(f"YUV4MPEG2 W{w} H{h} F{fps}:1 Ip A1:1 C420jpeg\n".encode())
        frame = bytes([shade]) * (w * h) + bytes([128]) * (w * h // 2)
        for _ in range(seconds * fps):
            f.write(b"FRAME\n" + frame)
clip(sys.argv[1] + "/first.y4m", 60)
clip(sys.argv[1] + "/second.y4m", 190)
import math, struct, wave
with wave.open(sys.argv[1] + "/tone.wav", "wb") as tone:
    tone.setnchannels(1)
    tone.setsampwidth(2)
    tone.setframerate(8000)
    tone.writeframes(b"".join(struct.pack("<h", int(3000 * math.sin(i * 0.2))) for i in range(8000 * 60)))
PY

vork_with_trusted_phone

# play PLAYER TITLE: the player's keys in turn, each checked on the player itself.
play() {
  local player=$1 title=$2
  wmctrl -a "$title" || fail "$title is not on the desktop"
  expect_player "$player" PlaybackStatus wait Playing
  step "$player: D:5 pauses and resumes it"
  press D:5
  expect_player "$player" PlaybackStatus wait Paused
  press D:5
  expect_player "$player" PlaybackStatus wait Playing
  step "$player: D:3 moves to the next item"
  press D:3
  expect_player "$player" Metadata wait "file://$work/second.y4m"
  step "$player: D:1 goes back to the first item, D:3 forward again"
  press D:1
  expect_player "$player" Metadata wait "file://$work/first.y4m"
  press D:3
  expect_player "$player" Metadata wait "file://$work/second.y4m"
  step "$player: D:8 lowers its volume, D:2 raises it"
  local volume
  volume=$(mpris "$player" Volume)
  press D:8
  expect_player "$player" Volume below "$volume"
  volume=$(mpris "$player" Volume)
  press D:2
  expect_player "$player" Volume above "$volume"
  step "$player: D:* makes it full screen"
  local next="second.y4m - ${title#first.y4m - }"
  press 'D:*'
  for _ in $(seq 50); do fullscreen "$next" && return 0; sleep 0.1; done
  fail "$player's window \"$next\" is not full screen: $(xprop -name "$next" _NET_WM_STATE 2>&1)"
}

step "VLC plays two clips"
start vlc --no-qt-privacy-ask --no-video-title-show "$work/first.y4m" ":input-slave=$work/tone.wav" \
  "$work/second.y4m" ":input-slave=$work/tone.wav" >"$work/vlc.log" 2>&1
vlc=$started
for _ in $(seq 100); do wmctrl -l | grep -q "first.y4m - VLC media player" && break; sleep 0.1; done
play vlc "first.y4m - VLC media player"
kill "$vlc"

step "mpv plays two clips"
start mpv --force-window=yes --volume=50 "--audio-file=$work/tone.wav" "$work/first.y4m" "$work/second.y4m" \
  >"$work/mpv.log" 2>&1
for _ in $(seq 100); do wmctrl -l | grep -q "first.y4m - mpv" && break; sleep 0.1; done
play mpv "first.y4m - mpv"
echo "players: all steps passed"
