#!/usr/bin/env bash
# The shipped program on a machine without Bluetooth (Wine has none): the
# status alternates between searching (2 s) and the socket error (3 s), again
# and again, and no image is shown.
source "$(dirname "$0")/lib.sh"

code=$("$wine_run" "$probe_exe" bluetooth-error 2>/dev/null | tr -d '\r')
[ -n "$code" ] && [ "$code" != 0 ] || fail "this machine has Bluetooth: the no-Bluetooth path cannot be shown"
cannot="Cannot find bluetooth (1 #$code)"

start_windows "$VORK_BIN/src/vork.exe"
for round in 1 2; do
  step "round $round: searching, then \"$cannot\""
  wait_status "Searching for bluetooth device.."
  searching_at=$(date +%s%N)
  wait_status "$cannot" 4000
  error_at=$(date +%s%N)
  expect_state accept 0; expect_state decline 0; expect_state hide 0
  wait_status "Searching for bluetooth device.." 5000
  again_at=$(date +%s%N)
  searching_ms=$(( (error_at - searching_at) / 1000000 ))
  error_ms=$(( (again_at - error_at) / 1000000 ))
  echo "   searching shown about $searching_ms ms, the error about $error_ms ms"
  [ "$searching_ms" -ge 1500 ] && [ "$searching_ms" -le 3000 ] || fail "searching stayed $searching_ms ms, not about 2000"
  [ "$error_ms" -ge 2500 ] && [ "$error_ms" -le 4000 ] || fail "the error stayed $error_ms ms, not about 3000"
done
echo "no bluetooth: all steps passed"
