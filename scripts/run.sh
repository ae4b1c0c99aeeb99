#!/usr/bin/env bash
# Installs what is needed, builds, starts the bundled update server and then
# the program (under Xvfb when there is no display to show it on). The server
# is stopped when the program ends, however it ends.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh
build_dir=${VARNO_BUILD_DIR:-build}

source scripts/lib/update-server.sh
trap stop_update_server EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP
start_update_server "$build_dir"

# Not exec'd: the server has to be stopped after the program.
status=0
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    "$build_dir/VarnoSoftware" "$@" || status=$?
else
    echo "No display found: starting under Xvfb." >&2
    xvfb-run -a -s "-screen 0 1280x800x24" "$build_dir/VarnoSoftware" "$@" || status=$?
fi
exit "$status"
