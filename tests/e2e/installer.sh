#!/usr/bin/env bash
# The release as a Windows user gets it, in a fresh Wine prefix. The zip and
# the install folder hold vork.exe, README.txt (the user's guide with the page on
# Bluetooth phones, as plain text for Notepad: no Markdown left, no line past
# 78 columns, CR LF), LICENSE.txt, THIRD-PARTY.txt and COPYING.LGPL-2.1.txt (the
# statically linked libraries' notice, naming the versions linked, and their
# licence), keymaps/players.toml and docs/ (browser-remote.txt
# and the screenshots the two texts name); the zip matches its checksum. The silent installer puts
# the files, the Start menu shortcuts (Vork, its guide), the sign-in start and
# the entry in the installed programs where they belong, with the version of
# vork.exe, and turns the browser remote on unless given /NOBROWSERREMOTE,
# never off; the installed program starts, also minimised; a second install over it
# works, one while Vork runs fails with its exit code; the uninstaller removes
# all it made and keeps the settings, pairings and Vork's registry key unless
# given /REMOVESETTINGS. Needs scripts/package first.
source "$(dirname "$0")/lib.sh"

dist=$here/../../build/dist
version=$VORK_VERSION
setup=$dist/vork-$version-setup.exe
zip=$dist/vork-$version-win64.zip
[ -f "$setup" ] && [ -f "$zip" ] || fail "no release in $dist: run scripts/package first"

step "the zip holds the release and matches its checksum"
(cd "$dist" && sha256sum -c --quiet "vork-$version-win64.zip.sha256" "vork-$version-setup.exe.sha256") ||
  fail "a checksum does not match"
listed=$(unzip -Z1 "$zip" | sort | tr '\n' ' ')
[ "$listed" = "COPYING.LGPL-2.1.txt LICENSE.txt README.txt THIRD-PARTY.txt docs/ docs/browser-remote.png docs/browser-remote.txt docs/connect-page.png docs/remote-keyboard.png docs/remote-keypad.png docs/tray-menu.png docs/vork-web.png keymaps/ keymaps/players.toml vork.exe " ] ||
  fail "the zip holds: $listed"
notice=$(unzip -p "$zip" THIRD-PARTY.txt)
# The source built, which is the machine's own version unless the archive had only a newer one.
gcrypt=$here/../../build/libgcrypt-mingw
linked=$(cat "$gcrypt/source-version" 2>/dev/null || cat "$gcrypt/version" 2>/dev/null || true)
[ -n "$linked" ] || fail "no record of the libgcrypt built for Windows"
[[ "$notice" == *"libgcrypt $linked and"* ]] ||
  fail "THIRD-PARTY.txt does not name the libgcrypt that vork.exe holds"

# A fresh prefix of its own, without shortcuts leaking into Linux menus.
wineserver -k 2>/dev/null || true
export WINEPREFIX=$work/prefix
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
wineboot --init >/dev/null 2>&1
win_env() { wine cmd /c echo "%$1%" 2>/dev/null | tr -d '\r'; }
local_app_data=$(winepath -u "$(win_env LOCALAPPDATA)" 2>/dev/null)
app_data=$(winepath -u "$(win_env APPDATA)" 2>/dev/null)
install_dir=$local_app_data/Programs/Vork
shortcut="$app_data/Microsoft/Windows/Start Menu/Programs/Vork.lnk"
guide_shortcut="$app_data/Microsoft/Windows/Start Menu/Programs/Vork user guide.lnk"
vork_key='HKCU\Software\Vork'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vork'
reg_value() { wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"; }
install() { "$wine_run" "$setup" /S "$@"; }

step "the guide reads as plain text in Notepad: no Markdown markup, no line past 78 columns"
for text in README.txt docs/browser-remote.txt; do
  unzip -p "$zip" "$text" >"$work/text"
  python3 - "$work/text" "$text" <<'PY' || fail "$text is not plain text for Notepad (above)"
import re, sys
lines = open(sys.argv[1], encoding="utf-8", newline="").read().split("\r\n")
bad = [(n, line) for n, line in enumerate(lines, 1) if len(line) > 78 or "\n" in line
       or re.search(r"\*\*|`|\]\(|^#|\|---|\.md\b", line)]
for n, line in bad[:5]:
    print(f"{sys.argv[2]}, line {n}: {line!r}")
sys.exit(1 if bad or len(lines) < 50 else 0)
PY
done

step "a silent install"
install /NOBROWSERREMOTE || fail "the installer failed ($?)"
# The zip's files and the uninstaller, nothing else.
in_folder=$(cd "$install_dir" && find . -type f | sed 's|^\./||' | sort | tr '\n' ' ')
[ "$in_folder" = "$( (unzip -Z1 "$zip" | grep -v '/$'; echo uninstall.exe) | sort | tr '\n' ' ')" ] ||
  fail "the install folder holds: $in_folder"
cmp -s <(unzip -p "$zip" README.txt) "$install_dir/README.txt" || fail "README.txt is not the zip's"
[ -f "$shortcut" ] || fail "no Start menu shortcut at $shortcut"
[ -f "$guide_shortcut" ] || fail "no Start menu shortcut to the guide at $guide_shortcut"
[ -z "$(reg_value "$vork_key" BrowserRemote)" ] || fail "the browser remote was set though /NOBROWSERREMOTE said not to"
win_dir=$(winepath -w "$install_dir" 2>/dev/null)
[ "$(reg_value "$run_key" Vork)" = "\"$win_dir\\vork.exe\" --minimized" ] ||
  fail "the sign-in start is \"$(reg_value "$run_key" Vork)\""
[ "$(reg_value "$uninstall_key" DisplayVersion)" = "$version" ] || fail "the listed version is \"$(reg_value "$uninstall_key" DisplayVersion)\""
[ "$(reg_value "$uninstall_key" UninstallString)" = "\"$win_dir\\uninstall.exe\"" ] ||
  fail "the uninstaller is listed as \"$(reg_value "$uninstall_key" UninstallString)\""
[ "$(probe file-version "$win_dir\\vork.exe")" = "$version.0" ] || fail "vork.exe says version $(probe file-version "$win_dir\\vork.exe")"

step "the installed Vork starts, and minimised when the sign-in start asks"
start_windows "$install_dir/vork.exe"
installed=$started
wait_status "Searching for bluetooth device.."
expect_state minimised 0

step "installing while Vork runs changes nothing and says so in its exit code"
status=0
install || status=$?
[ "$status" = 3 ] || fail "the installer's exit code was $status, not 3"
probe close
probe wait-gone 10000 >/dev/null || fail "Vork did not close"
wait "$installed" 2>/dev/null || true

start_windows "$install_dir/vork.exe" --minimized
wait_status "Searching for bluetooth device.."
expect_state minimised 1
probe close
probe wait-gone 10000 >/dev/null || fail "Vork did not close"
sleep 0.5

step "installing again over it, with the browser remote as it comes"
install || fail "the second install failed"
[ "$(reg_value "$uninstall_key" DisplayVersion)" = "$version" ] || fail "the entry is gone after the second install"
[ "$(reg_value "$vork_key" BrowserRemote)" = 0x1 ] || fail "the browser remote is \"$(reg_value "$vork_key" BrowserRemote)\", not 0x1"

# uninstall [ARG...]: it copies itself away and returns at once, so wait for
# its last step, the install folder's removal.
uninstall() {
  "$wine_run" "$install_dir/uninstall.exe" /S "$@" || fail "the uninstaller failed"
  for _ in $(seq 150); do [ -e "$install_dir" ] || break; sleep 0.2; done
  [ -e "$install_dir" ] && fail "the install folder is still there: $(ls -R "$install_dir")"
  [ -e "$shortcut" ] && fail "the shortcut is still there"
  [ -e "$guide_shortcut" ] && fail "the guide's shortcut is still there"
  [ -z "$(reg_value "$run_key" Vork)" ] || fail "the sign-in start is still there"
  wine reg query "$uninstall_key" >/dev/null 2>&1 && fail "the uninstall entry is still there"
  return 0
}

step "the uninstaller removes what the installer made, and keeps the settings and pairings"
mkdir -p "$app_data/Vork"
echo '[fallback.keys]' >"$app_data/Vork/vork.toml"
for file in pairings.dat pairings.dat.bad pairings.dat.new; do echo pairing >"$app_data/Vork/$file"; done
uninstall
[ -f "$app_data/Vork/vork.toml" ] || fail "the settings file was removed"
[ -f "$app_data/Vork/pairings.dat" ] || fail "the pairings were removed"
[ "$(reg_value "$vork_key" BrowserRemote)" = 0x1 ] || fail "Vork's registry key lost the browser remote"

step "a reinstall keeps the browser remote; /REMOVESETTINGS removes the settings and pairings"
install || fail "the third install failed"
[ "$(reg_value "$vork_key" BrowserRemote)" = 0x1 ] || fail "the reinstall changed the browser remote to \"$(reg_value "$vork_key" BrowserRemote)\""
uninstall /REMOVESETTINGS
[ -e "$app_data/Vork" ] && fail "the settings folder is still there: $(ls -Am "$app_data/Vork")"
wine reg query "$vork_key" >/dev/null 2>&1 && fail "Vork's registry key is still there"
echo "installer: all steps passed"
