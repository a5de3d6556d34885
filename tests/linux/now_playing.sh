#!/usr/bin/env bash
# The page's Now playing card with real players (see now_playing_page.py):
# Vork with the browser remote on, a notes window in front, clips whose
# titles are in their tags (WAV files with a RIFF INFO list).
source "$(dirname "$0")/lib.sh"

web_port=${VORK_WEB_PORT:-8654}

/usr/bin/python3 - "$work" <<'PY'
import math, struct, sys
def chunk(tag, data):
    return tag + struct.pack("<I", len(data)) + data + (b"\0" if len(data) % 2 else b"")
def tune(path, title, seconds=120, rate=8000):
    info = b"INFO" + chunk(b"INAM", title.encode() + b"\0") + chunk(b"IART", b"The Testers\0")
    samples = b"".join(struct.pack("<h", int(2000 * math.sin(i * 0.2))) for i in range(rate * seconds))
    body = (b"WAVE" + chunk(b"fmt ", struct.pack("<HHIIHH", 1, 1, rate, rate * 2, 2, 16)) + chunk(b"LIST", info) +
            chunk(b"data", samples))
    open(path, "wb").write(b"RIFF" + struct.pack("<I", len(body)) + body)
tune(sys.argv[1] + "/one.wav", "First tune")
tune(sys.argv[1] + "/two.wav", "Second tune")
PY

vork_with_page "$web_port"

VORK_KEYS=$work/keys /usr/bin/python3 "$here/now_playing_page.py" "$web_port" "$(head -n 1 "$work/opened")" "$work" ||
  fail "the card's steps (above)"
echo "now_playing: all steps passed"
