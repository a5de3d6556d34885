# Shared by the Linux end-to-end scripts: start programs in the test's
# desktop session, read Vork's window over AT-SPI, fail with a clear message.
# Expects VORK_BIN (the linux build's folder) and VORK_PHONE; run inside
# scripts/with-linux-desktop.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
port=${VORK_PORT:-5150}
work=$(mktemp -d)
background=()

cleanup() {
  for pid in "${background[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# The user's browser and editor are a stand-in that writes down what Vork
# hands xdg-open: no test opens a real one, and each can see what was opened.
mkdir "$work/bin"
printf '#!/bin/sh\necho "$1" >>"%s"\n' "$work/opened" >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
export PATH=$work/bin:$PATH

step() { echo "-- $*"; }
# To stdout too: a summary of the run that keeps only stdout still says why.
fail() { echo "FAILED: $*"; echo "FAILED: $*" >&2; exit 1; }
reader() { /usr/bin/python3 "$here/window_reader.py" "$@"; }

start() {  # start COMMAND...: in the background; its pid in $started
  "$@" &
  started=$!
  background+=("$started")
}

expect_state() {  # expect_state KEY VALUE
  local whole value
  whole=$(reader state)
  value=$(sed -n "s/^$1=//p" <<<"$whole")
  [ "$value" = "$2" ] || fail "$1 is \"$value\", expected \"$2\" (the window: $(tr '\n' ' ' <<<"$whole"))"
}

wait_status() {  # wait_status TEXT [MS]
  local said
  said=$(reader wait-status "$1" "${2:-15000}") || fail "$said"
}

wait_file_line() {  # wait_file_line FILE LINE [TENTHS]
  for _ in $(seq "${3:-100}"); do grep -qxF "$2" "$1" 2>/dev/null && return 0; sleep 0.1; done
  fail "\"$2\" never appeared in $(basename "$1"): $(tr '\n' '|' <"$1" 2>/dev/null)"
}

# A recording window in front, with TITLE and CLASS; what it gets in $work/NAME.
recorder() {  # recorder NAME TITLE CLASS
  start "$VORK_BIN/tests/linux/vork-x11-recorder" "$2" "$3" >"$work/$1"
  wait_file_line "$work/$1" READY
  # wmctrl only asks; the window is in front once the manager says it is active.
  for _ in $(seq 50); do
    wmctrl -a "$2" 2>/dev/null && [ "$(xdotool getactivewindow getwindowname 2>/dev/null)" = "$2" ] && return 0
    sleep 0.1
  done
  fail "the window manager never brought \"$2\" to the front"
}

phone() { "$VORK_PHONE" --port "$port" "$@"; }
pointer_x() { xdotool getmouselocation | sed -E 's/x:([0-9]+) .*/\1/'; }

# Vork with the browser remote on PORT and its Connect page handed to the
# browser (its address the first line of $work/opened); a notes window in
# front, what it gets in $work/keys.
vork_with_page() {  # vork_with_page PORT
  step "Vork with the browser remote on and its Connect page open; a notes window in front"
  start "$VORK_BIN/src/vork-loopback" "--web=$1" --connect
  wait_status "Waiting for phone to connect"
  for _ in $(seq 100); do [ -s "$work/opened" ] && break; sleep 0.1; done
  [ -s "$work/opened" ] || fail "no Connect page was opened"
  recorder keys "Notes" notes
}

# The loopback Vork (with ARGS) with MyPhone trusted: its first login accepted at the window.
vork_with_trusted_phone() {  # vork_with_trusted_phone [ARGS...]
  start "$VORK_BIN/src/vork-loopback" "$@"
  wait_status "Waiting for phone to connect"
  phone -s 'LOGIN:1MyPhone' -e 'LOGIN OK\n\r' >"$work/login" 2>&1 &
  local login=$!
  wait_status "MyPhone requesting connection."
  reader press ACCEPT
  wait "$login" || fail "the login: $(cat "$work/login")"
}
