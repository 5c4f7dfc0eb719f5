#!/usr/bin/env bash
# The Windows downloads: the zip's contents, then HalvornSetup-<version>.exe
# run silently (/S) under Wine in a fresh prefix on a virtual X display:
# install, the installed saver full screen, uninstall, an upgrade over an older
# build, an uninstall that keeps the saver the user chose since.
#   tests/wine/installer_test.sh [BUILD_DIR]     (BUILD_DIR: build-win)
# Needs wine (64-bit), Xvfb, xdotool, xwininfo, makensis and unzip, else exits
# with 77 (skipped). HALVORN_E2E_KEEP=1 keeps the work folder.
set -u
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../packaging/common.sh
. "$here/../packaging/common.sh"
skip_unless wine wineserver Xvfb xdotool xwininfo makensis unzip timeout
build=$(cd "${1:-$here/../../build-win}" && pwd) || exit 2
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
scr=$build/host/win32/Halvorn.scr
setup=$build/HalvornSetup-$version.exe
zip=$build/Halvorn-$version-win64.zip
probe_exe=$build/tests/wine/hvprobe.exe
for f in "$scr" "$setup" "$zip" "$probe_exe"; do
  [ -f "$f" ] || { echo "missing $f (build the Windows targets with makensis installed first)"; exit 2; }
done

work=$(mktemp -d /tmp/halvorn-setup.XXXXXX)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
xvfb_pid=
cleanup() {
  wineserver -k >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  if [ "${HALVORN_E2E_KEEP:-0}" = 1 ]; then echo "work folder kept: $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# --- the zip -------------------------------------------------------------------

check "the zip holds Halvorn.scr (this build's), README.txt and LICENSE.txt" \
  eval '[ "$(unzip -Z1 "$zip" | LC_ALL=C sort | tr "\n" " ")" = "Halvorn.scr LICENSE.txt README.txt " ] &&
        unzip -p "$zip" Halvorn.scr | cmp -s - "$scr"'

# --- the display, the prefix ----------------------------------------------------

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x720x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
wait_until 20 test -s "$work/display" || { echo "Xvfb did not start"; exit 2; }
export DISPLAY=:$(head -n1 "$work/display")
timeout 300 wineboot -i >"$work/wineboot.log" 2>&1
wineserver -w

installed=$WINEPREFIX/drive_c/windows/system32/Halvorn.scr
instdir=$WINEPREFIX/drive_c/Program\ Files/Halvorn
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Halvorn'
desktop_key='HKCU\Control Panel\Desktop'

# reg_value KEY NAME: the value's data, empty when it is missing.
reg_value() {
  timeout 60 wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    awk -v name="$2" '$1 == name { sub(/^ *[^ ]+ +REG_[A-Z_]+ */, ""); print; exit }'
}
# run_windows PROGRAM ARGS...: runs it and waits until every Wine process of
# the session has ended (an uninstaller goes on from a copy of itself).
run_windows() { timeout 300 wine "$@" >>"$work/wine.log" 2>&1; wineserver -w; }
uninstall_entry() {
  for v in DisplayName DisplayVersion Publisher DisplayIcon UninstallString QuietUninstallString; do
    printf '%s|' "$(reg_value "$uninstall_key" $v)"; done
}
# Runs the entry's quiet uninstall string: '"C:\...\Uninstall.exe" /S'.
quiet_uninstall() { eval run_windows "$(reg_value "$uninstall_key" QuietUninstallString | sed 's/\\/\\\\/g')"; }

# --- a silent install ------------------------------------------------------------

run_windows "$(winepath -w "$setup")" /S
check "/S: Halvorn.scr is in the 64-bit system folder, this build's" cmp -s "$installed" "$scr"
check "/S: Halvorn is the current saver (SCRNSAVE.EXE, ScreenSaveActive=1)" \
  eval '[ "$(reg_value "$desktop_key" SCRNSAVE.EXE)" = "C:\\windows\\system32\\Halvorn.scr" ] &&
        [ "$(reg_value "$desktop_key" ScreenSaveActive)" = 1 ]'
expected="Halvorn screen saver|$version|The Halvorn developers|C:\\windows\\system32\\Halvorn.scr,0|\"C:\\Program Files\\Halvorn\\Uninstall.exe\"|\"C:\\Program Files\\Halvorn\\Uninstall.exe\" /S|"
entry=$(uninstall_entry)
check "/S: the uninstall entry names Halvorn $version, its publisher, icon and (quiet) uninstallers ($entry)" \
  eval '[ "$entry" = "$expected" ] && [ "$(($(reg_value "$uninstall_key" EstimatedSize)))" -gt 1000 ]'
# What Explorer shows in the file's properties: the version resource, read
# through the language the file itself declares.
check "the installed saver's version resource: $version, product, description, copyright" \
  eval 'timeout 60 wine "$(winepath -w "$probe_exe")" fileversion "C:\\windows\\system32\\Halvorn.scr" 2>/dev/null | tr -d "\r" >"$work/version.txt";
        grep -qx "FileVersion=$version.0" "$work/version.txt" && grep -qx "ProductVersion=$version" "$work/version.txt" &&
        grep -qx "fixed=$version.0" "$work/version.txt" && grep -qx "ProductName=Halvorn" "$work/version.txt" &&
        grep -q "^FileDescription=Halvorn screen saver" "$work/version.txt" &&
        grep -q "^LegalCopyright=Copyright (c) .* The Halvorn developers" "$work/version.txt"'

# The system starts the current saver from where the installer put it.
saver=$(reg_value "$desktop_key" SCRNSAVE.EXE)
xdotool mousemove 640 360
wine "$saver" /s >"$work/saver.log" 2>&1 &
saver_pid=$!
full_screen() {
  local id
  id=$(xdotool search --name '^Screen Saver$' 2>/dev/null | head -n1)
  [ -n "$id" ] && xwininfo -id "$id" | grep -q 'geometry 1280x720+0+0'
}
check "the installed saver ($saver /s) runs full screen" wait_until 60 full_screen
xdotool key space
wait_until 20 eval "! kill -0 $saver_pid" || kill "$saver_pid" 2>/dev/null
wait "$saver_pid" 2>/dev/null
wineserver -w

# --- the silent uninstall ----------------------------------------------------------

quiet_uninstall
check "the quiet uninstall string removes the saver, the program folder and the uninstall entry" \
  eval '[ ! -e "$installed" ] && [ ! -e "$instdir" ] && [ -z "$(reg_value "$uninstall_key" DisplayName)" ]'
check "the quiet uninstall clears SCRNSAVE.EXE, which named Halvorn" test -z "$(reg_value "$desktop_key" SCRNSAVE.EXE)"

# --- an upgrade over an older build --------------------------------------------------

# The older build: the same script at version 1.0.0, with a saver that differs
# in its last bytes.
cp "$scr" "$work/old.scr" && printf 'older build' >>"$work/old.scr"
timeout 120 makensis -V1 -DVERSION=1.0.0 -DSCR="$work/old.scr" -DLICENSE="$build/host/win32/dist/LICENSE.txt" \
  -DICON="$here/../../host/win32/halvorn.ico" -DOUTFILE="$work/HalvornSetup-1.0.0.exe" \
  "$here/../../host/win32/installer/halvorn.nsi" >"$work/makensis.log" 2>&1
run_windows "$(winepath -w "$work/HalvornSetup-1.0.0.exe")" /S
old_installed=$(cmp -s "$installed" "$work/old.scr" && reg_value "$uninstall_key" DisplayVersion)
run_windows "$(winepath -w "$setup")" /S
check "$version over 1.0.0 ($old_installed): the saver replaced in place, the entry says $version" \
  eval '[ "$old_installed" = 1.0.0 ] && cmp -s "$installed" "$scr" && [ "$(uninstall_entry)" = "$expected" ]'

# --- the user chose another saver; uninstalling keeps that choice ----------------------

wine reg add "$desktop_key" /v SCRNSAVE.EXE /t REG_SZ /d 'C:\windows\system32\other.scr' /f >/dev/null 2>&1
chosen=$(reg_value "$desktop_key" SCRNSAVE.EXE)
quiet_uninstall
kept=$(reg_value "$desktop_key" SCRNSAVE.EXE)
check "an uninstall keeps the saver the user chose since ($chosen, then $kept) and removes Halvorn" \
  eval '[ "$chosen" = "C:\\windows\\system32\\other.scr" ] && [ "$kept" = "$chosen" ] && [ ! -e "$installed" ]'

finish
