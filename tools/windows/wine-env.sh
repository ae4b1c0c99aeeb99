# Sourced by the Wine scripts of tools/windows: a private Wine prefix in the
# Windows build folder, with Qt's and the compiler's DLLs on its path, and a
# private Xvfb display for what the programs show.

varno_win_build_dir=${VARNO_WIN_BUILD_DIR:-$PWD/build-windows}
export WINEPREFIX=$varno_win_build_dir/wineprefix
export WINEDEBUG=-all
# The first start would otherwise offer to download Mono and Gecko, in
# dialogs nobody can answer headless.
export WINEDLLOVERRIDES="mscoree=;mshtml="
# The Chinese fixture paths pass through the locale's encoding.
export LANG=C.UTF-8 LC_ALL=C.UTF-8

# Usage: varno_win_start_display [WIDTHxHEIGHT], 1280x800 unless given.
varno_win_start_display() {
    local fifo
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 "${1:-1280x800}x24" -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    varno_xvfb_pid=$!
    export DISPLAY=:$(head -1 <"$fifo")
    rm -f "$fifo"
    mkdir -p "$WINEPREFIX"
    [ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
    wineserver -w
}

varno_win_stop_display() {
    wineserver -k 2>/dev/null || true
    [ -z "${varno_xvfb_pid:-}" ] || kill "$varno_xvfb_pid" 2>/dev/null || true
}

# The DLLs of Qt and of the compiler runtime, for programs run from the
# build folder; the package carries its own copies instead.
varno_win_runtime_path() {
    local qt=$1 dir path=
    for dir in "$qt/bin" $(varno_win_runtime_dlls | xargs -n1 dirname | sort -u); do
        path+="$(winepath -w "$dir");"
    done
    export WINEPATH=$path
    QT_PLUGIN_PATH=$(winepath -w "$qt/plugins")
    export QT_PLUGIN_PATH
}
