#!/usr/bin/env bash
# The browser remote on Linux: the Connect page handed to xdg-open (here a
# stand-in that writes the address down), a phone paired by its QR code, and
# its keypad and typing arriving in the X11 window in front as exactly the
# characters typed, and its touchpad's wheel (see typing_page.py).
source "$(dirname "$0")/lib.sh"

web_port=${VORK_WEB_PORT:-8654}

vork_with_page "$web_port"
# The wheel's buttons go to the window under the pointer, wherever that is.
wmctrl -r Notes -e 0,0,0,1280,800 || fail "the window manager would not size the notes window"

VORK_KEYS=$work/keys /usr/bin/python3 "$here/typing_page.py" "$web_port" "$(head -n 1 "$work/opened")" ||
  fail "the phone's steps (above)"
echo "typing: all steps passed"
