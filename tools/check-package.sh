#!/usr/bin/env bash
# Builds the Debian package, installs it with apt-get, starts the installed
# program through its desktop entry under Xvfb and checks that its window
# appears, then removes the package again. Needs root (or sudo).
set -euo pipefail
cd "$(dirname "$0")/.."
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

desktop_id=com.varnosoftware.VarnoSoftware
desktop-file-validate "dist/linux/$desktop_id.desktop"
appstreamcli validate --no-net "dist/linux/$desktop_id.metainfo.xml"

./scripts/package-deb.sh
deb=$(ls -t build-deb/varnosoftware_*.deb | head -1)
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "./$deb"

work=$(mktemp -d)
display_number=${VARNO_CHECK_DISPLAY:-96}
export DISPLAY=:$display_number
Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
cleanup() {
    # Started through the bin link, the process is named after it.
    pkill -x varnosoftware 2>/dev/null || true
    sleep 0.5
    kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get remove -y -qq varnosoftware >/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# A private settings store and no system bus: nothing can be armed or fire.
export XDG_CONFIG_HOME="$work/config"
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/no-bus"
gio launch "/usr/share/applications/$desktop_id.desktop"
# Only the Latin start of the title is matched: under a non-UTF-8 locale Qt
# writes the legacy WM_NAME, which xdotool reads, as mis-encoded bytes, while
# the UTF-8 _NET_WM_NAME that window managers show stays right.
for _ in $(seq 100); do
    if xdotool search --onlyvisible --name '^Varno' >/dev/null 2>&1; then
        echo "package: installed, and the program started from its desktop entry"
        exit 0
    fi
    sleep 0.1
done
echo "package: the installed program showed no window" >&2
exit 1
