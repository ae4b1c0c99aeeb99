#!/usr/bin/env bash
# Takes a screenshot of each of the six pages under Xvfb into docs/, at 100 %
# display scaling or at the scale given (150: docs/page1-wechat-150.png ...,
# with the logical DPI a desktop sets for it).
# Usage: tools/take-screenshots.sh [build-dir] [scale in percent]
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=$(realpath "${1:-build}")
scale=${2:-100}
suffix=""
[ "$scale" = 100 ] || suffix="-$scale"
scaled() { echo $(($1 * scale / 100)); }
program="$build_dir/VarnoSoftware"
[ -x "$program" ] || { echo "build the program first ($program not found)" >&2; exit 1; }

work=$(mktemp -d)
display_number=${VARNO_SCREENSHOT_DISPLAY:-97}
export DISPLAY=:$display_number
Xvfb "$DISPLAY" -screen 0 "$(scaled 1072)x$(scaled 720)x24" -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
source scripts/lib/update-server.sh
cleanup() {
    kill "${app_pid:-}" "$xvfb_pid" 2>/dev/null || true
    stop_update_server
    rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# A private settings store, and no system bus.
export XDG_CONFIG_HOME="$work/config"
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/no-bus"
export LANG=C.UTF-8
export QT_FONT_DPI=$((96 * scale / 100))

# The three timed tasks armed for tomorrow, so their pages show countdowns;
# nothing can come due while the screenshots are taken.
tomorrow=$(date -d tomorrow +%Y/%-m/%-d)
mkdir -p "$XDG_CONFIG_HOME/Varno"
cat >"$XDG_CONFIG_HOME/Varno/VarnoSoftware.conf" <<SETTINGS
[General]
Date_QDateEdit=$tomorrow
Time_QTimeEdit=23:30
IsShutdownScheduled_Variable=true
Date_EndWorkReminder_QDateEdit=$tomorrow
Time_EndWorkReminder_QTimeEdit=18:00
EveryDate_EndWorkReminder_QRadioButton=1
IsEndWorkReminderScheduled_Variable=true
TimeInterval_RestReminder_comboBox=1_1_2_3_4
IsRestReminderScheduled_Variable=true
SETTINGS
start_update_server "$build_dir"
"$program" &
app_pid=$!
window=""
for _ in $(seq 100); do
    window=$(xdotool search --pid "$app_pid" --name 'Varno' 2>/dev/null | head -1 || true)
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { echo "the window did not appear" >&2; exit 1; }
xdotool windowmove "$window" 0 0
sleep 1

mkdir -p docs
names=(wechat image-to-icon rounded-image shutdown end-of-work rest)
for i in "${!names[@]}"; do
    # Navigation buttons sit 60 px apart in the left column.
    xdotool mousemove "$(scaled 99)" "$(scaled $((99 + 60 * i)))" click 1
    xdotool mousemove "$(scaled 640)" "$(scaled 700)"
    sleep 0.7
    import -window root "docs/page$((i + 1))-${names[$i]}$suffix.png"
done
echo "screenshots written to docs/"
