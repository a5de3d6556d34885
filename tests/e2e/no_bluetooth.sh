#!/usr/bin/env bash
# The shipped program on a machine without Bluetooth (Wine has none): the
# status alternates between searching (2 s) and the socket error (3 s), again
# and again, and no image is shown; the notice line says, once, that phones
# can connect by their browser, and a click on it opens the Connect page.
source "$(dirname "$0")/lib.sh"

# The prefix's "browser" records the addresses Vork asks the system to open.
printf '#!/bin/sh\necho "$1" >>"%s"\n' "$work/opened" >"$work/browser.sh"
chmod +x "$work/browser.sh"
"$wine_run" reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /t REG_SZ /d "$work/browser.sh" /f >/dev/null 2>&1

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
  expect_state notice "No Bluetooth? Connect by browser: click here"
done

step "a click on the notice line opens the Connect page"
probe click 1004 >/dev/null
for _ in $(seq 100); do [ -s "$work/opened" ] && break; sleep 0.1; done
[[ "$(head -n 1 "$work/opened" 2>/dev/null)" == http://127.0.0.1:*/ ]] ||
  fail "no Connect page was opened (opened: $(cat "$work/opened" 2>/dev/null))"
echo "no bluetooth: all steps passed"
