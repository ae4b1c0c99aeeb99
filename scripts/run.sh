#!/usr/bin/env bash
# Installs what is needed, builds, and starts the program (under Xvfb when
# there is no display to show it on).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh
build_dir=${VARNO_BUILD_DIR:-build}

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$build_dir/VarnoSoftware" "$@"
fi
echo "No display found: starting under Xvfb (screen :99 by default)." >&2
exec xvfb-run -a -s "-screen 0 1280x800x24" "$build_dir/VarnoSoftware" "$@"
