# Sourced by the scripts that start the program: starts the bundled update
# server when the build asks this machine for updates, and stops it again.
# Usage: start_update_server BUILD_DIR; ... ; stop_update_server

update_server_pid=""

port_answers() {
    (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

start_update_server() {
    local build_dir=$1 base_url port server_log
    # The program asks the update server its build was configured with.
    base_url=$(sed -n 's/^VARNO_UPDATE_BASE_URL:[A-Z]*=//p' "$build_dir/CMakeCache.txt")
    if ! [[ $base_url =~ ^http://(127\.0\.0\.1|localhost)(:([0-9]+))?/?$ ]]; then
        echo "The program asks ${base_url:-nothing} for updates; the bundled server is not started." >&2
        return 0
    fi
    port=${BASH_REMATCH[3]:-80}
    if port_answers "$port"; then
        echo "Something already listens on 127.0.0.1:$port; the program will ask it for updates." >&2
        return 0
    fi
    server_log="$build_dir/update-server.log"
    php -S "127.0.0.1:$port" -t server/www >"$server_log" 2>&1 &
    update_server_pid=$!
    for _ in $(seq 100); do
        port_answers "$port" && break
        if ! kill -0 "$update_server_pid" 2>/dev/null; then
            update_server_pid=""
            echo "The update server did not start:" >&2
            cat "$server_log" >&2
            return 1
        fi
        sleep 0.1
    done
    port_answers "$port" || { echo "The update server does not answer on 127.0.0.1:$port." >&2; return 1; }
    echo "Update server: http://127.0.0.1:$port (log: $server_log)" >&2
}

stop_update_server() {
    if [ -n "$update_server_pid" ]; then
        kill "$update_server_pid" 2>/dev/null || true
        wait "$update_server_pid" 2>/dev/null || true
        update_server_pid=""
    fi
}
