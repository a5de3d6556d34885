#!/usr/bin/env bash
# The loopback listener serves a real vork-phone from Linux: login, the
# decision, echo and byte-exact replies, trust bound to the device address.
# (Whether keys are executed is seen where a target window records them:
# session.sh.)
#   loopback_link.sh HOST_EXE VORK_PHONE
set -euo pipefail
host_exe=$1
phone=$2
port=${VORK_TEST_PORT:-5161}
wine_run=$(dirname "$0")/../../scripts/wine-run

"$wine_run" "$host_exe" "$port" >/dev/null 2>&1 &
host=$!
trap 'kill $host 2>/dev/null; wait $host 2>/dev/null || true' EXIT

step() { echo "-- $*"; }

step "a new phone is accepted, then its keys are echoed"
"$phone" --port "$port" --retry 20000 \
  -s 'LOGIN:1okPhone' -e 'LOGIN OK\n\r' -s 'D:1' -e 'D:1' -s 'D:R' -e 'D:R'

step "the same phone from the same device is let in at once"
"$phone" --port "$port" --retry 10000 --timeout 1500 -s 'LOGIN:1okPhone' -e 'LOGIN OK\n\r'

step "a declined phone gets LOGIN ERR and its keys are echoed"
"$phone" --port "$port" --retry 10000 -s 'LOGIN:2badPhone' -e 'LOGIN ERR\n\r' -s 'D:5' -e 'D:5'

step "before a login everything is echoed unchanged, zero bytes cut"
"$phone" --port "$port" --retry 10000 -s 'login:1okPhone' -e 'login:1okPhone' -s 'D:1\0tail' -e 'D:1'

echo "loopback link: all steps passed"
