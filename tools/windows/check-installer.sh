#!/usr/bin/env bash
# Checks the Windows installer under Wine, in a Wine prefix of its own: an
# installer that asks for no elevation; a silent install for the prefix's
# user alone, into %LOCALAPPDATA%\Programs, with its shortcut and its entry
# among the installed programs in that user's own Start menu and HKCU, and
# nothing in Program Files or HKLM; the installed program starting against
# the bundled update server with its window shown (screenshot written to
# build-windows/package/windows-wine.png), scaled by 1.5 and 2 at 144 and
# 192 dpi; with a shutdown armed for the next minute, its real power-off
# path ending the prefix's session at that minute, and likewise a restart; "开机时启动" chosen at
# install, in that user's HKCU Run; and a silent uninstall that leaves
# nothing behind, Task Manager's StartupApproved value included. Builds a
# test package (against the bundled server) first.
# Usage: tools/windows/check-installer.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
source tools/windows/common.sh
varno_win_install_packages php-cli
VARNO_TEST_PACKAGE=1 tools/windows/package.sh >/dev/null
source tools/windows/wine-env.sh
package=$(realpath "$varno_win_build_dir/package")
setup=$package/VarnoSoftware-1.0-test-setup.exe
export WINEPREFIX=$varno_win_build_dir/wineprefix-installer
rm -rf "$WINEPREFIX"
trap 'varno_win_stop_display; [ -z "${php_pid:-}" ] || kill "$php_pid" 2>/dev/null || true' EXIT
# Room for the window at 200 %.
varno_win_start_display 2560x1600
# The prefix user's folders, as Windows names them and where they are here.
user_folder() { wine cmd /c echo "%$1%" 2>/dev/null | tr -d '\r'; }
programs_win="$(user_folder LOCALAPPDATA)\Programs\VarnoSoftware"
programs=$(winepath -u "$programs_win")
shortcut="$(winepath -u "$(user_folder APPDATA)")/Microsoft/Windows/Start Menu/Programs/Varno软件.lnk"
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\VarnoSoftware'
machine_uninstall_key=${uninstall_key/HKCU/HKLM}
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
approved_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run'
check() { if eval "$1"; then echo "ok: $2"; else echo "FAIL: $2"; exit 1; fi; }
window() { xdotool search --onlyvisible --name 'Varno软件' 2>/dev/null | head -1; }
start_program() {
    (cd "$programs" && setsid -f wine VarnoSoftware.exe >/dev/null 2>&1)
    timeout 60 bash -c "until xdotool search --onlyvisible --name Varno软件 >/dev/null 2>&1; do sleep 0.5; done"
}
restart_prefix() {
    wineserver -k 2>/dev/null || true
    wineserver -w
}

# The manifest NSIS writes for "RequestExecutionLevel user".
check 'grep -aq "level=\"asInvoker\"" "$setup"' "the installer asks for no elevation (asInvoker)"
wine "$setup" /S
wineserver -w
check '[ -f "$programs/VarnoSoftware.exe" ] && [ -f "$programs/platforms/qwindows.dll" ]' \
    "installed for this user alone, into $programs_win"
check '[ ! -e "$WINEPREFIX/drive_c/Program Files/VarnoSoftware" ]' "nothing in Program Files"
check '[ -f "$shortcut" ]' "a shortcut in the user's own Start menu"
check 'wine reg query "$uninstall_key" /v UninstallString 2>/dev/null | grep -qF "$programs_win\uninstall.exe"' \
    "registered among the user's installed programs, in HKCU"
# Each view is read where it does exist, so a query Wine cannot make does not pass as an absent key.
no_machine_entry() {
    local view
    for view in 64 32; do
        wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion' /reg:$view >/dev/null 2>&1 \
            && ! wine reg query "$machine_uninstall_key" /reg:$view >/dev/null 2>&1 || return 1
    done
}
check no_machine_entry "nothing in HKLM's uninstall key, in either registry view"
check '! wine reg query "$run_key" /v VarnoSoftware >/dev/null 2>&1' "not started at sign-in unless chosen"

# The test package asks the bundled update server, which answers "v1.0".
php -S 127.0.0.1:8765 -t server/www >/dev/null 2>&1 &
php_pid=$!
timeout 10 bash -c 'until (echo >/dev/tcp/127.0.0.1/8765) 2>/dev/null; do sleep 0.2; done'
check start_program "the installed program starts and shows its window"
sleep 2
import -window "$(window)" "$package/windows-wine.png"
echo "screenshot: $package/windows-wine.png"

# Display scaling as Windows sets it: the window grows with the fonts.
for dpi in 96 144 192; do
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    restart_prefix
    start_program || true
    size=$(xdotool getwindowgeometry "$(window)" 2>/dev/null | awk '/Geometry/ {print $2}')
    expected="$((1072 * dpi / 96))x$((720 * dpi / 96))"
    check "awk -v s='$size' -v e='$expected' 'BEGIN { split(s, a, \"x\"); split(e, b, \"x\");
        exit !(a[1] - b[1] <= 2 && b[1] - a[1] <= 2 && a[2] - b[2] <= 2 && b[2] - a[2] <= 2) }'" \
        "at $dpi dpi the window measures $size ($expected expected)"
done
restart_prefix

# The real power-off and restart: armed through the program's registry
# values for the next whole minute (at least 25 s away, so the start is
# done), Wine's ExitWindowsEx ends the prefix's processes, and nothing of the
# host. Wine starts wineboot with --kill for EWX_FORCE, and adds --shutdown
# unless EWX_REBOOT is given.
key='HKCU\Software\Varno\VarnoSoftware'
armed_action() { # <index of the page's choice> <what it is called> <with|without> --shutdown
    local now target trace ended kills
    now=$(date +%s)
    target=$(((now / 60 + 1) * 60))
    [ $((target - now)) -ge 25 ] || target=$((target + 60))
    wine reg add "$key" /v IsShutdownScheduled_Variable /d true /f >/dev/null 2>&1
    wine reg add "$key" /v Date_QDateEdit /d "$(date -d "@$target" +%Y/%-m/%-d)" /f >/dev/null 2>&1
    wine reg add "$key" /v Time_QTimeEdit /d "$(date -d "@$target" +%-H:%M)" /f >/dev/null 2>&1
    wine reg add "$key" /v ShutdownAction_QComboBox /d "$1_关机_重启_睡眠" /f >/dev/null 2>&1
    restart_prefix
    trace=$varno_win_build_dir/$2-trace.log
    (cd "$programs" && WINEDEBUG=+process setsid -f wine VarnoSoftware.exe >"$trace" 2>&1)
    timeout 30 bash -c "until xdotool search --onlyvisible --name Varno软件 >/dev/null 2>&1; do sleep 0.5; done"
    # The pattern does not match the command line of the shell that waits.
    timeout $((target - now + 60)) bash -c 'while pgrep -f "VarnoSoftware[.]exe" >/dev/null; do sleep 0.5; done' || true
    ended=$(date +%s)
    check '! pgrep -f "VarnoSoftware[.]exe" >/dev/null && [ "$ended" -ge "$target" ] && [ "$ended" -le $((target + 15)) ]' \
        "the armed $2 ended the program at its minute ($((ended - target)) s after it)"
    kills=$(grep -a wineboot "$trace" | grep -a -- --kill || true)
    if [ "$3" = with ]; then
        check '[ -n "$kills" ] && grep -q -- --shutdown <<<"$kills"' \
            "through ExitWindowsEx: Wine started wineboot --kill --shutdown (EWX_SHUTDOWN | EWX_FORCE)"
    else
        check '[ -n "$kills" ] && ! grep -q -- --shutdown <<<"$kills"' \
            "through ExitWindowsEx: Wine started wineboot --kill without --shutdown (EWX_REBOOT | EWX_FORCE)"
    fi
    restart_prefix
}
armed_action 0 shutdown with
armed_action 1 restart without

# Chosen, "开机时启动" writes the value the program's own tray entry writes.
wine "$setup" /S /AUTOSTART
wineserver -w
check 'wine reg query "$run_key" /v VarnoSoftware | tr -d "\r" | grep -qxF "    VarnoSoftware    REG_SZ    \"$programs_win\\VarnoSoftware.exe\" --autostart"' \
    "chosen, started at sign-in into the tray, from the user's HKCU Run"
check no_machine_entry "installed again, still nothing in HKLM"
# Switched off in Task Manager meanwhile, which the uninstaller removes too.
check 'wine reg add "$approved_key" /v VarnoSoftware /t REG_BINARY /d 030000000000000000000000 /f >/dev/null 2>&1' \
    "then switched off in Task Manager"
restart_prefix

# The uninstaller copies itself to the temporary folder and returns at once;
# the copy does the work, so wait for every process of the prefix.
wine "$programs/uninstall.exe" /S
wineserver -w
check '[ ! -e "$programs" ] && [ ! -e "$shortcut" ]' "the uninstaller removed the program and its shortcut"
check '! wine reg query "$uninstall_key" >/dev/null 2>&1' "and its entry among the installed programs"
check '! wine reg query "$run_key" /v VarnoSoftware >/dev/null 2>&1' "and its start at sign-in"
check '! wine reg query "$approved_key" /v VarnoSoftware >/dev/null 2>&1' "and Task Manager's switch for it"
echo "installer checked: $(du -h "$setup" | cut -f1) setup," \
    "$(du -h "$package/VarnoSoftware-1.0-test-win64.zip" | cut -f1) zip"
