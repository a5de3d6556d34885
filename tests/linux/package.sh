#!/usr/bin/env bash
# The Linux package as a user meets it: lintian finds no error in it; apt
# installs it with what it depends on; the program, its menu entry and its
# icon are where the desktop looks; apt removes it and nothing of it is left.
# Changes the machine's packages: run as root, on a machine for tests (CI).
#   package.sh build/dist/vork_VERSION_amd64.deb
set -euo pipefail
deb=$(realpath "$1")
fail() { echo "FAILED: $*"; echo "FAILED: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || fail "installing a package needs root"

echo "-- lintian"
lintian --fail-on error "$deb" 2>/dev/null || fail "lintian reports errors (above), or could not run"


echo "-- apt installs it"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
files=$(dpkg -L vork)
for wanted in /usr/bin/vork /usr/share/applications/vork.desktop /usr/share/icons/hicolor/256x256/apps/vork.png \
  /usr/share/doc/vork/copyright /usr/share/doc/vork/user-guide.md /usr/share/doc/vork/keymaps/players.toml; do
  grep -qxF "$wanted" <<<"$files" || fail "the package has no $wanted"
done
version=$(dpkg-deb -f "$deb" Version)
[ "$(/usr/bin/vork --version)" = "Vork $version" ] || fail "the installed vork says $(/usr/bin/vork --version)"
desktop-file-validate /usr/share/applications/vork.desktop || fail "the menu entry is not valid"

echo "-- apt removes it, and nothing of it is left"
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq vork >/dev/null
left=""
while read -r path; do [ -f "$path" ] && left+=" $path"; done <<<"$files"
[ -z "$left" ] || fail "left behind:$left"
echo "package: all steps passed"
