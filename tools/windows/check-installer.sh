#!/usr/bin/env bash
# Checks the Windows installer under Wine, in a Wine prefix of its own: a
# silent install into Program Files with its shortcut and its entry among the
# installed programs, the installed program starting against the bundled
# update server with its window shown (screenshot written to
# build-windows/package/windows-wine.png), and a silent uninstall that leaves
# nothing behind. Builds the package first.
# Usage: tools/windows/check-installer.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
source tools/windows/common.sh
varno_win_install_packages php-cli
tools/windows/package.sh >/dev/null
source tools/windows/wine-env.sh
package=$(realpath "$varno_win_build_dir/package")
export WINEPREFIX=$varno_win_build_dir/wineprefix-installer
rm -rf "$WINEPREFIX"
trap 'varno_win_stop_display; [ -z "${php_pid:-}" ] || kill "$php_pid" 2>/dev/null || true' EXIT
varno_win_start_display
programs="$WINEPREFIX/drive_c/Program Files/VarnoSoftware"
shortcut="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Varno软件.lnk"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VarnoSoftware'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
check() { if eval "$1"; then echo "ok: $2"; else echo "FAIL: $2"; exit 1; fi; }

wine "$package/VarnoSoftware-1.0-setup.exe" /S
wineserver -w
check '[ -f "$programs/VarnoSoftware.exe" ] && [ -f "$programs/platforms/qwindows.dll" ]' "installed into Program Files"
check '[ -f "$shortcut" ]' "Start-menu shortcut"
check 'wine reg query "$uninstall_key" /v UninstallString 2>/dev/null | grep -q uninstall.exe' \
    "registered among the installed programs"
check '! wine reg query "$run_key" /v VarnoSoftware >/dev/null 2>&1' "not started at sign-in unless chosen"

# The package asks the bundled update server, which answers "v1.0".
php -S 127.0.0.1:8765 -t server/www >/dev/null 2>&1 &
php_pid=$!
timeout 10 bash -c 'until (echo >/dev/tcp/127.0.0.1/8765) 2>/dev/null; do sleep 0.2; done'
(cd "$programs" && wine VarnoSoftware.exe >/dev/null 2>&1 &)
check 'timeout 60 bash -c "until xdotool search --onlyvisible --name Varno软件 >/dev/null 2>&1; do sleep 0.5; done"' \
    "the installed program starts and shows its window"
sleep 2
import -window root "$package/windows-wine.png"
echo "screenshot: $package/windows-wine.png"
wineserver -k
wineserver -w

# Chosen, "开机时启动" writes the value the program's own tray entry writes.
wine "$package/VarnoSoftware-1.0-setup.exe" /S /AUTOSTART
wineserver -w
check 'wine reg query "$run_key" /v VarnoSoftware | tr -d "\r" | grep -qxF "    VarnoSoftware    REG_SZ    \"C:\\Program Files\\VarnoSoftware\\VarnoSoftware.exe\" --autostart"' \
    "chosen, started at sign-in into the tray"
wineserver -k
wineserver -w

# The uninstaller copies itself to the temporary folder and returns at once;
# the copy does the work, so wait for every process of the prefix.
wine "$programs/uninstall.exe" /S
wineserver -w
check '[ ! -e "$programs" ] && [ ! -e "$shortcut" ]' "the uninstaller removed the program and its shortcut"
check '! wine reg query "$uninstall_key" >/dev/null 2>&1' "and its entry among the installed programs"
check '! wine reg query "$run_key" /v VarnoSoftware >/dev/null 2>&1' "and its start at sign-in"
echo "installer checked: $(du -h "$package/VarnoSoftware-1.0-setup.exe" | cut -f1) setup," \
    "$(du -h "$package/VarnoSoftware-1.0-win64.zip" | cut -f1) zip"
