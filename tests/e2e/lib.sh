# Shared by the end-to-end scripts: run Windows programs under Wine, ask the
# probe, fail with a clear message. Expects VORK_BIN (the win64 build's
# folder) and VORK_PHONE (the Linux vork-phone); run inside scripts/with-wine.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
wine_run=$here/../../scripts/wine-run
probe_exe=$VORK_BIN/tests/vork-probe.exe
port=${VORK_PORT:-5150}
work=$(mktemp -d)
background=()

cleanup() {
  for pid in "${background[@]}"; do kill "$pid" 2>/dev/null || true; done
  "$wine_run" "$probe_exe" close >/dev/null 2>&1 || true
  "$wine_run" "$probe_exe" wait-gone 5000 >/dev/null 2>&1 || true
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Each test starts with no choice, pairing or settings file that an earlier one left.
"$wine_run" cmd /c 'reg delete HKCU\Software\Vork /f & rd /s /q "%APPDATA%\Vork" & reg delete HKCU\Software\Microsoft\Windows\CurrentVersion\Run /v Vork /f' >/dev/null 2>&1 || true

step() { echo "-- $*"; }
# To stdout too: a summary of the run that keeps only stdout still says why.
fail() { echo "FAILED: $*"; echo "FAILED: $*" >&2; exit 1; }
probe() { "$wine_run" "$probe_exe" "$@" 2>/dev/null | tr -d '\r'; }

# Starts a Windows program in the background; its pid in $started.
start_windows() {
  "$wine_run" "$@" >/dev/null 2>&1 &
  started=$!
  background+=("$started")
}

expect_state() {  # expect_state KEY VALUE
  local value
  local whole
  whole=$(probe state)
  value=$(sed -n "s/^$1=//p" <<<"$whole")
  [ "$value" = "$2" ] || fail "$1 is \"$value\", expected \"$2\" (the window: $(tr '\n' ' ' <<<"$whole"))"
}

wait_status() {  # wait_status TEXT [MS]
  probe wait-status "$1" "${2:-15000}" >/dev/null || fail "status never read \"$1\" (it reads \"$(probe state | sed -n 's/^status=//p')\")"
}

wait_file_line() {  # wait_file_line FILE LINE [TENTHS]
  for _ in $(seq "${3:-100}"); do grep -qxF "$2" "$1" 2>/dev/null && return 0; sleep 0.1; done
  fail "\"$2\" never appeared in $(basename "$1"): $(tr '\n' '|' <"$1" 2>/dev/null)"
}

phone() { "$VORK_PHONE" --port "$port" "$@"; }

accept_phone() {  # accept_phone NAME: NAME logs in, the user clicks ACCEPT; trusted from then on
  phone -s "LOGIN:1$1" -e 'LOGIN OK\n\r' >"$work/accept-$1" 2>&1 &
  local pid=$!
  wait_status "$1 requesting connection."
  probe click 1000
  wait "$pid" || fail "the login of $1: $(cat "$work/accept-$1")"
}
