#!/usr/bin/env bash
# Configures and builds into ./build (or $VARNO_BUILD_DIR). Extra arguments go
# to the CMake configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${VARNO_BUILD_DIR:-build}
# VARNO_CONFIGURE_ARGS adds configure options (CI uses it for stricter builds).
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${VARNO_CONFIGURE_ARGS:-} "$@"
cmake --build "$build_dir" -j "$(nproc)"
