#!/usr/bin/env bash
# The release figures, each beside its reference measured in the same run:
#   1. start-up until the window is mapped and first painted, VarnoSoftware
#      (update gate against the bundled server, and built out) against a
#      minimal Qt window with a Chinese label;
#   2. memory while idle in the tray with all three tasks armed far ahead,
#      against the minimal window shown;
#   3. a simulated day of 86,400 ticks (bench_day): CPU per tick and growth.
# Both programs run on a private Xvfb display with a tray (trayer), a private
# settings folder, and no system or session bus, so nothing armed can fire.
#
# Usage: bench/run-figures.sh [--runs N] [--memory-runs N] [--settle SECONDS]
# Builds into build-bench (Release) and build-bench-nogate (Release,
# VARNO_UPDATE_CHECK=OFF); the table also goes to build-bench/figures/.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=21
memory_runs=3
settle=10
while [ $# -gt 0 ]; do
    case $1 in
    --runs) runs=$2; shift 2 ;;
    --memory-runs) memory_runs=$2; shift 2 ;;
    --settle) settle=$2; shift 2 ;;
    *) echo "usage: $0 [--runs N] [--memory-runs N] [--settle SECONDS]" >&2; exit 2 ;;
    esac
done

./scripts/install-deps.sh >&2

build=build-bench
build_nogate=build-bench-nogate
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target VarnoSoftware minimal_window window_probe armed_labels bench_day >&2
cmake -S . -B "$build_nogate" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVARNO_UPDATE_CHECK=OFF \
    -DVARNO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build_nogate" -j2 --target VarnoSoftware >&2

program_gate=$build/VarnoSoftware
program_nogate=$build_nogate/VarnoSoftware
minimal=$build/bench/startup/minimal_window
probe=$build/bench/startup/window_probe
out=$build/figures
mkdir -p "$out"
work=$(mktemp -d)

source scripts/lib/update-server.sh
xvfb_pid=""
tray_pid=""
running_pid=""
cleanup() {
    if [ -n "$running_pid" ]; then kill "$running_pid" 2>/dev/null || true; wait "$running_pid" 2>/dev/null || true; fi
    if [ -n "$tray_pid" ]; then kill "$tray_pid" 2>/dev/null || true; wait "$tray_pid" 2>/dev/null || true; fi
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
    stop_update_server
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# --- the desktop: a private display with a tray, and the update server ---
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "Xvfb did not start:" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=:$(head -n1 "$work/display")
trayer --edge bottom --align left >"$work/trayer.log" 2>&1 &
tray_pid=$!
sleep 1

mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR=$work/runtime
# No bus at all: logind's power-off can never be reached, and neither
# program talks to a desktop that is not there.
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/varno-figures-system-bus
export DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/varno-figures-session-bus
unset QT_QPA_PLATFORM QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS

start_update_server "$build"
check_address=$(sed -n 's/^VARNO_UPDATE_BASE_URL:[A-Z]*=//p' "$build/CMakeCache.txt")
check_address=${check_address%/}/website/varno/VarnoSoftware/copyright.php
answer=$(php -r 'echo @file_get_contents($argv[1]);' "$check_address")
if [ "$answer" != '{"version":"v1.0"}' ]; then
    echo "The update server answers \"$answer\"; the gate would stop the program." >&2
    exit 1
fi

fresh_config() {
    mktemp -d "$work/config.XXXXXX"
}

median() {
    sort -n | awk '{ v[NR] = $1 } END { if (NR == 0) print "nan"; else if (NR % 2) print v[(NR + 1) / 2]; else printf "%.1f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

ratio() {
    awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2fx", a / b }'
}

# --- 1. start-up ---
# The three programs take turns, in a rotating order, so that a busy moment
# of the shared machine does not fall on one of them alone.
startup_one() { # name program min-size
    local result
    result=$(XDG_CONFIG_HOME=$(fresh_config) "$probe" --min-size "$3" --timeout 30 -- "$2" 2>>"$work/programs.log") || {
        echo "start-up of $1 failed; see its output:" >&2
        tail -n 20 "$work/programs.log" >&2
        exit 1
    }
    echo "$result" >>"$work/startup.$1"
    sleep 0.2
}
names=(minimal gate nogate)
declare -A programs=([minimal]=$minimal [gate]=$program_gate [nogate]=$program_nogate)
declare -A sizes=([minimal]=1 [gate]=300 [nogate]=300)
echo "Start-up: $runs runs of each (after one discarded warm-up run)..." >&2
for name in "${names[@]}"; do
    startup_one "$name" "${programs[$name]}" "${sizes[$name]}"
    rm -f "$work/startup.$name"
done
for ((run = 0; run < runs; run++)); do
    for ((k = 0; k < 3; k++)); do
        name=${names[$(((run + k) % 3))]}
        startup_one "$name" "${programs[$name]}" "${sizes[$name]}"
    done
done
declare -A mapped painted fastest_mapped fastest_painted
for name in "${names[@]}"; do
    mapped[$name]=$(cut -d' ' -f1 "$work/startup.$name" | median)
    painted[$name]=$(cut -d' ' -f2 "$work/startup.$name" | median)
    fastest_mapped[$name]=$(cut -d' ' -f1 "$work/startup.$name" | sort -n | head -n1)
    fastest_painted[$name]=$(cut -d' ' -f2 "$work/startup.$name" | sort -n | head -n1)
done

# --- 2. memory idle ---
# The window of the process at least min-size pixels wide that is mapped.
window_of() { # pid min-size
    local window info
    for window in $(xdotool search --pid "$1" 2>/dev/null); do
        info=$(xwininfo -id "$window" 2>/dev/null) || continue
        if grep -q 'Map State: IsViewable' <<<"$info" \
            && [ "$(sed -n 's/^  Width: //p' <<<"$info")" -ge "$2" ]; then
            echo "$window"
            return 0
        fi
    done
    return 1
}

wait_for_window() { # pid min-size
    local window
    for _ in $(seq 300); do
        if window=$(window_of "$1" "$2"); then
            echo "$window"
            return 0
        fi
        kill -0 "$1" 2>/dev/null || break
        sleep 0.1
    done
    echo "no window from process $1" >&2
    return 1
}

memory_of() { # pid -> "rss-kB anonymous-kB"
    local rss anonymous
    rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$1/status")
    anonymous=$(awk '/^Anonymous:/ { print $2 }' "/proc/$1/smaps_rollup" 2>/dev/null || true)
    echo "$rss ${anonymous:-nan}"
}

armed_config() {
    local config
    config=$(fresh_config)
    mkdir -p "$config/Varno"
    # Dates far ahead and a four-hour rest interval, so nothing fires while
    # the program sits in the tray; the hide counter is past the three times
    # the tray balloon is shown, as for anyone who has hidden it before.
    cat >"$config/Varno/VarnoSoftware.conf" <<'EOF'
[General]
IsShutdownScheduled_Variable=true
Date_QDateEdit=2099/1/1
Time_QTimeEdit=8:00
EveryDate_QRadioButton=0
IsEndWorkReminderScheduled_Variable=true
Date_EndWorkReminder_QDateEdit=2099/1/1
Time_EndWorkReminder_QTimeEdit=17:30
EveryDate_EndWorkReminder_QRadioButton=0
IsRestReminderScheduled_Variable=true
TimeInterval_RestReminder_comboBox=3_1_2_3_4
ApplicationShowCounter_Variable=3
EOF
    echo "$config"
}

start_program() { # program config -> sets running_pid
    XDG_CONFIG_HOME=$2 "$1" >>"$work/programs.log" 2>&1 &
    running_pid=$!
}

stop_program() {
    kill "$running_pid" 2>/dev/null || true
    wait "$running_pid" 2>/dev/null || true
    running_pid=""
    sleep 0.3
}

# The page buttons and the close button of the frameless window, from its
# top-left corner and top-right corner.
page_button_x=99
shutdown_page_y=278
end_of_work_page_y=339
rest_page_y=398
close_from_right=30
close_y=25

# The settings file arms all three tasks: checked in-process, and on screen.
echo "Checking that the settings file arms all three tasks..." >&2
config=$(armed_config)
QT_QPA_PLATFORM=offscreen "$build/bench/startup/armed_labels" "$config/Varno/VarnoSoftware.conf" \
    >"$out/armed-labels.txt" 2>>"$work/programs.log" || {
    echo "The settings file does not arm all three tasks:" >&2
    cat "$out/armed-labels.txt" >&2
    exit 1
}
start_program "$program_nogate" "$config"
window=$(wait_for_window "$running_pid" 300)
shots=()
for y in $shutdown_page_y $end_of_work_page_y $rest_page_y; do
    xdotool mousemove --window "$window" "$page_button_x" "$y" click 1
    sleep 1.5
    import -window "$window" -crop 880x110+190+435 "$work/page-$y.png"
    shots+=("$work/page-$y.png")
done
convert "${shots[@]}" -append "$out/armed-labels.png"
stop_program

memory_one() { # name program config min-size to-tray
    local window width
    start_program "$2" "$3"
    window=$(wait_for_window "$running_pid" "$4")
    if [ "$5" = yes ]; then
        width=$(xwininfo -id "$window" | sed -n 's/^  Width: //p')
        xdotool mousemove --window "$window" $((width - close_from_right)) "$close_y" click 1
        for _ in $(seq 50); do
            xwininfo -id "$window" | grep -q 'Map State: IsUnMapped' && break
            sleep 0.1
        done
        if ! xwininfo -id "$window" | grep -q 'Map State: IsUnMapped' || ! kill -0 "$running_pid"; then
            echo "$1: the window did not close to the tray" >&2
            exit 1
        fi
        # Its tray icon must be docked and shown, or this is not idle in the tray.
        if ! window_of "$running_pid" 1 >/dev/null; then
            echo "$1: no tray icon is shown" >&2
            exit 1
        fi
    fi
    sleep "$settle"
    kill -0 "$running_pid" || { echo "$1 ended while idle" >&2; exit 1; }
    memory_of "$running_pid" >>"$work/memory.$1"
    stop_program
}
echo "Memory: $memory_runs runs of each, ${settle} s settle..." >&2
for ((run = 0; run < memory_runs; run++)); do
    memory_one minimal "$minimal" "$(fresh_config)" 1 no
    memory_one gate "$program_gate" "$(armed_config)" 300 yes
    memory_one nogate "$program_nogate" "$(armed_config)" 300 yes
done
declare -A rss anonymous
for name in "${names[@]}"; do
    rss[$name]=$(cut -d' ' -f1 "$work/memory.$name" | median)
    anonymous[$name]=$(cut -d' ' -f2 "$work/memory.$name" | median)
done

# --- 3. a simulated day ---
echo "A simulated day, window hidden and window shown..." >&2
"$build/bench/timedtasks/bench_day" >"$out/day-hidden.txt" 2>>"$work/programs.log"
"$build/bench/timedtasks/bench_day" --shown >"$out/day-shown.txt" 2>>"$work/programs.log"
day_field() { # file pattern
    sed -n "$2" "$1"
}
day_row() { # label file
    local cpu growth heap
    cpu=$(day_field "$2" 's/^cpu per tick: \([0-9.]*\) us.*/\1/p')
    growth=$(day_field "$2" 's/.*, growth \(-\{0,1\}[0-9]*\) kB$/\1/p')
    heap=$(day_field "$2" 's/^heap in use: growth \(-\{0,1\}[0-9]*\) bytes$/\1/p')
    printf '| Simulated day, %s: CPU per tick | %s µs | — | — | — |\n' "$1" "$cpu"
    printf '| Simulated day, %s: RSS growth (heap in use) | %s kB (%s B) | — | — | ≤ 1024 kB |\n' "$1" "$growth" "$heap"
}

# --- the table ---
{
    echo "| Figure | VarnoSoftware | Minimal window | Ratio | Target |"
    echo "| --- | ---: | ---: | ---: | ---: |"
    for name in gate nogate; do
        label="gate against the bundled server"
        [ "$name" = nogate ] && label="gate built out"
        printf '| Start-up to window mapped, %s | %s ms (fastest %s) | %s ms (fastest %s) | %s | ≤ 1.5x |\n' \
            "$label" "${mapped[$name]}" "${fastest_mapped[$name]}" "${mapped[minimal]}" \
            "${fastest_mapped[minimal]}" "$(ratio "${mapped[$name]}" "${mapped[minimal]}")"
        printf '| Start-up to first paint, %s | %s ms (fastest %s) | %s ms (fastest %s) | %s | ≤ 1.25x |\n' \
            "$label" "${painted[$name]}" "${fastest_painted[$name]}" "${painted[minimal]}" \
            "${fastest_painted[minimal]}" "$(ratio "${painted[$name]}" "${painted[minimal]}")"
    done
    for name in gate nogate; do
        label="gate against the bundled server"
        [ "$name" = nogate ] && label="gate built out"
        printf '| Idle in the tray, %s: RSS | %s kB | %s kB | %s | ≤ 1.5x |\n' "$label" \
            "${rss[$name]}" "${rss[minimal]}" "$(ratio "${rss[$name]}" "${rss[minimal]}")"
        printf '| Idle in the tray, %s: anonymous | %s kB | %s kB | %s | — |\n' "$label" \
            "${anonymous[$name]}" "${anonymous[minimal]}" \
            "$(ratio "${anonymous[$name]}" "${anonymous[minimal]}")"
    done
    day_row "window hidden" "$out/day-hidden.txt"
    day_row "window shown" "$out/day-shown.txt"
    echo
    echo "Ratios are of the medians. Start-up: median of $runs runs each; memory: median of $memory_runs runs, read ${settle} s after"
    echo "the window was closed to the tray (minimal window: ${settle} s after it was shown)."
    echo "Day (window hidden): $(day_field "$out/day-hidden.txt" 's/^fired: //p')."
    echo "Machine: $(nproc) cores, $(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -n1);" \
        "Qt $(pkg-config --modversion Qt5Core 2>/dev/null || echo '?'); load average at the end:" \
        "$(cut -d' ' -f1-3 /proc/loadavg)."
} | tee "$out/figures.md"
