#!/usr/bin/env bash
# The icon by the clock on a desktop whose panel hosts StatusNotifierItems
# (GNOME with its extension, KDE): Vork's icon registers with the panel's
# watcher, says what Vork is doing in its tooltip, and its menu, clicked as a
# panel clicks it, opens the Connect page and quits Vork.
source "$(dirname "$0")/lib.sh"

sni() { /usr/bin/python3 "$here/status_notifier.py" "$@"; }

start sni watch "$work/items" >"$work/watcher"
wait_file_line "$work/watcher" READY
start "$VORK_BIN/src/vork-loopback"
vork=$started
wait_status "Waiting for phone to connect"

step "the icon registers with the panel's watcher"
for _ in $(seq 50); do grep -q '^ITEM ' "$work/items" 2>/dev/null && break; sleep 0.1; done
grep -q '^ITEM ' "$work/items" 2>/dev/null || fail "no item registered with the watcher"
service=$(sed -n '1s/^ITEM //p' "$work/items")

step "its tooltip says Vork waits for a phone; its menu holds Connect and Quit"
shown=$(sni show "$service") || fail "the item could not be read: $shown"
grep -qx 'tooltip=Vork – waiting for a phone' <<<"$shown" || fail "the item shows: $(tr '\n' ' ' <<<"$shown")"
grep -q '^menu=.*Connect a phone….*Quit' <<<"$shown" || fail "the item's menu: $(tr '\n' ' ' <<<"$shown")"

step "\"Connect a phone…\" clicked in the panel opens the Connect page"
sni click "$service" "Connect a phone…"
for _ in $(seq 50); do [ -s "$work/opened" ] && break; sleep 0.1; done
[[ "$(head -n 1 "$work/opened" 2>/dev/null)" == http://127.0.0.1:*/ ]] ||
  fail "the panel's click opened no Connect page (opened: $(cat "$work/opened" 2>/dev/null))"

step "Quit clicked in the panel ends Vork"
sni click "$service" "Quit"
for _ in $(seq 50); do kill -0 "$vork" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$vork" 2>/dev/null; then fail "Vork still runs after Quit"; fi
echo "status_notifier: all steps passed"
