#!/usr/bin/env bash
# A user's key map under Wine: a rule by title and a rule by class decide what
# D:5 and D:1 do in a real window; an unlisted key does what it always did; a
# mapped volume key repeats while held (at least 3 of its 5 or 6 firings in
# a second, though the machine be busy); a good change to the file takes
# effect, a broken one keeps the last good map and says why; the players'
# rules that come with Vork work with no file at all; --check-config
# reads good and broken files.
source "$(dirname "$0")/lib.sh"

map=$work/vork.toml
cat >"$map" <<'TOML'
[[app]]
name = "a clip by its title"
title = " - Clip"
[app.keys]
"1" = "x"

[[app]]
name = "the probe's windows by class"
class = "VorkProbeTarget"
[app.keys]
"5" = "{MEDIA_PLAY_PAUSE}"
"1" = "a"
"2" = "{VOLUME_UP}"
TOML
winmap=$(winepath -w "$map" 2>/dev/null)

step "--check-config on a good and on a broken file"
"$wine_run" "$VORK_BIN/src/vork.exe" --check-config "$winmap" >"$work/check" 2>/dev/null || fail "a good file was refused: $(cat "$work/check")"
grep -q "2 rules" "$work/check" || fail "the check did not list the rules: $(cat "$work/check")"
printf '[[app]]\nclass = "x"\n[app.keys]\n"F" = "y"\n' >"$work/broken.toml"
if "$wine_run" "$VORK_BIN/src/vork.exe" --check-config "$(winepath -w "$work/broken.toml" 2>/dev/null)" >"$work/check" 2>/dev/null; then
  fail "a broken file passed the check"
fi
grep -q 'line 4: unknown phone key "F"' "$work/check" || fail "the check's message: $(cat "$work/check")"
players=$(winepath -w "$here/../../keymaps/players.toml" 2>/dev/null)
"$wine_run" "$VORK_BIN/src/vork.exe" --check-config "$players" >"$work/check" 2>/dev/null ||
  fail "the shipped keymaps/players.toml was refused: $(cat "$work/check")"
grep -q '^  YouTube: title with " - YouTube"' "$work/check" ||
  fail "the check does not list the built-in rules: $(cat "$work/check")"

start_windows "$VORK_BIN/src/vork-loopback.exe" --config "$winmap"
vork=$started
wait_status "Waiting for phone to connect"
start_windows "$probe_exe" target "song - Player" "$(winepath -w "$work/keys" 2>/dev/null)" 120000
wait_file_line "$work/keys" READY

step "the phone logs in; the class rule gives D:5 and D:1, D:3 keeps its built-in key"
phone -s 'LOGIN:1MapPhone' -e 'LOGIN OK\n\r' -s D:5 -e D:5 -s D:1 -e D:1 -s D:3 -e D:3 \
  -s D:2 -e D:2 -p 1000 -s S -e S -p 200 >"$work/phone" 2>&1 &
phone1=$!
wait_status "MapPhone requesting connection."
probe click 1000
wait "$phone1" || fail "the phone's replies: $(cat "$work/phone")"
wait_file_line "$work/keys" "KEYDOWN B3 scan 00"
wait_file_line "$work/keys" "KEYDOWN 41 scan 1E"
wait_file_line "$work/keys" "KEYDOWN 28 scan 50 ext"
volume=$(grep -c "KEYDOWN AF" "$work/keys" || true)
[ "$volume" -ge 3 ] || fail "the held volume key fired $volume times in a second: $(tr '\n' '|' <"$work/keys")"

step "a window titled ' - Clip' takes the title rule"
start_windows "$probe_exe" target "movie - Clip" "$(winepath -w "$work/clip" 2>/dev/null)" 120000
wait_file_line "$work/clip" READY
wait_status "Waiting for phone to connect"
phone -s 'LOGIN:1MapPhone' -e 'LOGIN OK\n\r' -s D:1 -e D:1 -p 300 >"$work/phone" 2>&1 || fail "$(cat "$work/phone")"
wait_file_line "$work/clip" "KEYDOWN 58 scan 2D"

step "a good change takes effect while Vork runs"
printf '[[app]]\ntitle = " - Clip"\n[app.keys]\n"1" = "yy"\n' >"$map"
sleep 1.2  # Vork looks at the file at most once a second
phone --retry 6000 -s 'LOGIN:1MapPhone' -e 'LOGIN OK\n\r' -s D:1 -e D:1 -p 300 >"$work/phone" 2>&1 || fail "$(cat "$work/phone")"
for _ in $(seq 50); do [ "$(grep -c "KEYDOWN 59" "$work/clip")" = 2 ] && break; sleep 0.1; done
[ "$(grep -c "KEYDOWN 59" "$work/clip")" = 2 ] || fail "the edited map did not hold: $(tr '\n' '|' <"$work/clip")"
[ "$(grep -c "KEYDOWN 58" "$work/clip")" = 1 ] || fail "the old map still acted: $(tr '\n' '|' <"$work/clip")"

step "a broken change keeps the old map, and the window says why"
printf '[[app]]\ntitle = " - Clip"\n[app.keys]\n"1" = "{%0300d}"\n' 0 >"$map"
sleep 1.2
wait_status "Waiting for phone to connect"
phone -s 'LOGIN:1MapPhone' -e 'LOGIN OK\n\r' -s D:1 -e D:1 -p 1500 >"$work/phone" 2>&1 &
phone2=$!
probe wait-status "vork.toml, line 4: key \"1\": {group} too long" 5000 >/dev/null ||
  fail "the window did not show the problem (status: $(probe state | sed -n 's/^status=//p'))"
wait "$phone2" || fail "$(cat "$work/phone")"
[ "$(grep -c "KEYDOWN 59" "$work/clip")" = 4 ] || fail "the last good map did not hold: $(tr '\n' '|' <"$work/clip")"

step "a player of today's with no file at all: YouTube in a browser takes the built-in rule"
printf '' >"$map"
sleep 1.2
start_windows "$probe_exe" target "Cats - YouTube - Chromium" "$(winepath -w "$work/tube" 2>/dev/null)" 120000
wait_file_line "$work/tube" READY
wait_status "Waiting for phone to connect"
phone -s 'LOGIN:1MapPhone' -e 'LOGIN OK\n\r' -s D:5 -e D:5 -p 300 >"$work/phone" 2>&1 || fail "$(cat "$work/phone")"
wait_file_line "$work/tube" "KEYDOWN 4B scan 25"  # k: YouTube's play/pause

kill -0 "$vork" || fail "Vork is gone"
echo "key maps: all steps passed"
