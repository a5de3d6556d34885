#!/usr/bin/env bash
# A decision answers only the request it was made on: a trusted phone's
# "Connected." that the window handles late admits no phone that asked
# meanwhile, and a request whose phone has gone is withdrawn, so that ACCEPT
# afterwards admits nobody.
source "$(dirname "$0")/lib.sh"

start_windows "$VORK_BIN/src/vork-loopback.exe"
vork=$started
wait_status "Waiting for phone to connect"

step "a phone is accepted, so it is trusted"
accept_phone Known

step "while the window is busy, the trusted phone comes and goes and a new phone asks"
wait_status "Waiting for phone to connect"
"$wine_run" "$probe_exe" freeze 7000 >/dev/null 2>&1 &
freeze=$!
sleep 0.5
phone --timeout 2000 -s 'LOGIN:1Known' -e 'LOGIN OK\n\r' >"$work/known2" 2>&1 || fail "the trusted phone: $(cat "$work/known2")"
phone --retry 6000 --timeout 15000 -s 'LOGIN:1Stranger' -e 'LOGIN ERR\n\r' >"$work/stranger" 2>&1 &
stranger=$!
wait "$freeze" || fail "the probe could not hold the window"
wait_status "Stranger requesting connection."
sleep 2.5  # past the listener's next poll: a late "Connected." would have admitted it by now
kill -0 "$stranger" 2>/dev/null || fail "the new phone was answered without the user: $(cat "$work/stranger")"
expect_state accept 1; expect_state decline 1
probe click 1002
wait "$stranger" || fail "the declined stranger: $(cat "$work/stranger")"

step "a request whose phone has gone is withdrawn"
wait_status "Waiting for phone to connect"
# Another device: the declined one waits a while before it may ask again.
phone --from 127.0.0.2 --timeout 3000 -s 'LOGIN:1Gone' -e 'LOGIN OK\n\r' >"$work/gone" 2>&1 &
gone=$!
wait_status "Gone requesting connection."
status=0
wait "$gone" || status=$?
[ "$status" = 2 ] || fail "the leaving phone was not left waiting (exit $status): $(cat "$work/gone")"
for _ in $(seq 30); do
  [ "$(probe state | sed -n 's/^accept=//p')" = 0 ] && break
  sleep 0.1
done
expect_state accept 0; expect_state decline 0; expect_state hide 0

step "ACCEPT afterwards admits nobody, not the next phone either"
probe click 1000
phone --from 127.0.0.3 --retry 6000 --timeout 15000 -s 'LOGIN:1Next' -e 'LOGIN ERR\n\r' >"$work/next" 2>&1 &
next=$!
wait_status "Next requesting connection."
sleep 2.5
kill -0 "$next" 2>/dev/null || fail "the next phone was let in by the old click: $(cat "$work/next")"
probe click 1002
wait "$next" || fail "the next phone: $(cat "$work/next")"

kill -0 "$vork" || fail "Vork is gone"
echo "decisions: all steps passed"
