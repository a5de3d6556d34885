#!/usr/bin/env bash
# One copy at a time: a second start shows "VORK instance already running."
# and ends, the first runs on; once the first has closed, a new one starts,
# minimised when asked (either spelling); an unknown option is refused with a message.
source "$(dirname "$0")/lib.sh"

start_windows "$VORK_BIN/src/vork.exe"
first=$started
wait_status "Searching for bluetooth device.."

step "a second copy says so and ends"
start_windows "$VORK_BIN/src/vork.exe"
second=$started
caption=$(probe message-box "VORK instance already running." 15000 | sed -n 's/^caption=//p')
[ "$caption" = vork ] || fail "the message box caption is \"$caption\", expected \"vork\""
for _ in $(seq 100); do kill -0 "$second" 2>/dev/null || break; sleep 0.1; done
kill -0 "$second" 2>/dev/null && fail "the second copy did not end"
kill -0 "$first" || fail "the first copy ended too"
probe state >/dev/null || fail "the first copy's window is gone"

step "after the first closes, a new copy starts"
probe close
probe wait-gone 10000 >/dev/null || fail "the window did not close"
for _ in $(seq 100); do kill -0 "$first" 2>/dev/null || break; sleep 0.1; done
kill -0 "$first" 2>/dev/null && fail "the first copy did not end after its window closed"
start_windows "$VORK_BIN/src/vork.exe" --minimised
wait_status "Searching for bluetooth device.."
expect_state minimised 1

step "an unknown option is refused"
probe close
probe wait-gone 10000 >/dev/null || fail "the window did not close"
start_windows "$VORK_BIN/src/vork.exe" --minimise
probe message-box 'unknown option "--minimise"' 15000 >/dev/null || fail "no message for an unknown option"
echo "single instance: all steps passed"
