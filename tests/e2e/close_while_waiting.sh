#!/usr/bin/env bash
# Closing the window while a phone waits for the user's decision ends the
# program promptly: within one second more than a bare program that only
# makes and destroys a window needs under Wine.
source "$(dirname "$0")/lib.sh"

ms() { echo $(( $(date +%s%N) / 1000000 )); }

start_windows "$VORK_BIN/src/vork-loopback.exe"
vork=$started
wait_status "Waiting for phone to connect"
phone --timeout 60000 -s 'LOGIN:1Waiting' >/dev/null 2>&1 &
background+=($!)
wait_status "Waiting requesting connection."

step "the user closes the window"
t0=$(ms)
probe close
while kill -0 "$vork" 2>/dev/null; do
  [ $(( $(ms) - t0 )) -lt 20000 ] || fail "Vork did not end"
  sleep 0.02
done
vork_ms=$(( $(ms) - t0 ))

t0=$(ms)
"$wine_run" "$probe_exe" bare-window >/dev/null 2>&1
bare_ms=$(( $(ms) - t0 ))
echo "   Vork ended $vork_ms ms after the close; a bare window program takes $bare_ms ms"
[ "$vork_ms" -le $(( bare_ms + 1000 )) ] || fail "Vork took $vork_ms ms to end, more than $bare_ms + 1000 ms"
echo "close while waiting: all steps passed"
