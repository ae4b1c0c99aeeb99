#!/usr/bin/env bash
# Installs what is needed, builds, starts the bundled update server and then
# the program (under Xvfb when there is no display to show it on). The server
# is stopped when the program ends, however it ends.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh
build_dir=${VARNO_BUILD_DIR:-build}

# The program asks the update server its build was configured with; the
# bundled one is started when that address is on this machine.
base_url=$(sed -n 's/^VARNO_UPDATE_BASE_URL:[A-Z]*=//p' "$build_dir/CMakeCache.txt")
server_pid=""
stop_server() {
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
    fi
}
trap stop_server EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

port_answers() {
    (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

if [[ $base_url =~ ^http://(127\.0\.0\.1|localhost)(:([0-9]+))?/?$ ]]; then
    port=${BASH_REMATCH[3]:-80}
    if port_answers "$port"; then
        echo "Something already listens on 127.0.0.1:$port; the program will ask it for updates." >&2
    else
        server_log="$build_dir/update-server.log"
        php -S "127.0.0.1:$port" -t server/www >"$server_log" 2>&1 &
        server_pid=$!
        for _ in $(seq 100); do
            port_answers "$port" && break
            if ! kill -0 "$server_pid" 2>/dev/null; then
                server_pid=""
                echo "The update server did not start:" >&2
                cat "$server_log" >&2
                exit 1
            fi
            sleep 0.1
        done
        port_answers "$port" || { echo "The update server does not answer on 127.0.0.1:$port." >&2; exit 1; }
        echo "Update server: http://127.0.0.1:$port (log: $server_log)" >&2
    fi
else
    echo "The program asks $base_url for updates; the bundled server is not started." >&2
fi

# Not exec'd: the server has to be stopped after the program.
status=0
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    "$build_dir/VarnoSoftware" "$@" || status=$?
else
    echo "No display found: starting under Xvfb." >&2
    xvfb-run -a -s "-screen 0 1280x800x24" "$build_dir/VarnoSoftware" "$@" || status=$?
fi
exit "$status"
