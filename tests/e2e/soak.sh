#!/usr/bin/env bash
# Many connect-login-command-disconnect cycles and many commands against the
# loopback build: every reply is right, the window stays responsive, and the
# process's open descriptors, threads and private memory stop growing after
# warm-up. Under Wine a Windows program is a Linux process whose sockets and
# files are descriptors; Wine answers 0 when asked for another process's
# handle count or private bytes, so they are read from /proc.
#   SOAK_CYCLES (default 10) and SOAK_COMMANDS (default 2000); the full run
#   (scripts/soak) uses 1000 and 10000.
source "$(dirname "$0")/lib.sh"
cycles=${SOAK_CYCLES:-10}
commands=${SOAK_COMMANDS:-2000}
handle_bound=${SOAK_HANDLE_BOUND:-8}
memory_bound=${SOAK_MEMORY_BOUND:-4194304}

resources() {
  local anon
  anon=$(awk '/^RssAnon:/ {print $2 * 1024}' "/proc/$vork/status")
  echo "descriptors=$(find "/proc/$vork/fd" -mindepth 1 | wc -l) threads=$(find "/proc/$vork/task" -mindepth 1 -maxdepth 1 | wc -l) private=$anon"
}
value() { sed -n "s/.*$1=\([0-9]*\).*/\1/p" <<<"$2"; }

start_windows "$VORK_BIN/src/vork-loopback.exe"
vork=$started
wait_status "Waiting for phone to connect"

step "the phone is accepted once"
accept_phone Soak

step "$cycles cycles: connect, log in, two commands, disconnect"
for cycle in $(seq "$cycles"); do
  wait_status "Waiting for phone to connect" 10000
  phone --timeout 3000 -s 'LOGIN:1Soak' -e 'LOGIN OK\n\r' -s D:7 -e D:7 -s D:9 -e D:9 >"$work/cycle" 2>&1 ||
    fail "cycle $cycle: $(cat "$work/cycle")"
  [ "$cycle" -eq 2 ] && warm=$(resources) && echo "   after warm-up: $warm"
  [ $((cycle % 50)) -eq 0 ] && echo "   cycle $cycle: $(resources)"
done
[ -n "${warm:-}" ] || warm=$(resources)

step "$commands commands on one connection"
wait_status "Waiting for phone to connect" 10000
args=(-s 'LOGIN:1Soak' -e 'LOGIN OK\n\r')
for i in $(seq "$commands"); do
  if [ $((i % 2)) -eq 0 ]; then args+=(-s D:7 -e D:7); else args+=(-s D:9 -e D:9); fi
done
phone --timeout 3000 "${args[@]}" >"$work/commands" 2>&1 || fail "$(tail -n 3 "$work/commands")"
replies=$(grep -c '^< ' "$work/commands")
[ "$replies" -eq $((commands + 1)) ] || fail "$replies replies for $((commands + 1)) texts"
probe responsive || fail "the window does not answer"

wait_status "Waiting for phone to connect" 10000
final=$(resources)
echo "   at the end: $final"
handles_grew=$(( $(value descriptors "$final") - $(value descriptors "$warm") ))
threads_grew=$(( $(value threads "$final") - $(value threads "$warm") ))
memory_grew=$(( $(value private "$final") - $(value private "$warm") ))
echo "   growth after warm-up: $handles_grew descriptors, $threads_grew threads, $memory_grew bytes"
[ "$handles_grew" -le "$handle_bound" ] || fail "descriptors grew by $handles_grew"
[ "$threads_grew" -le 2 ] || fail "threads grew by $threads_grew"
[ "$memory_grew" -le "$memory_bound" ] || fail "private memory grew by $memory_grew bytes"
echo "soak: all steps passed"
