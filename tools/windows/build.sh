#!/usr/bin/env bash
# Cross-builds the program and its tests for 64-bit Windows into
# build-windows (or $VARNO_WIN_BUILD_DIR), against the Qt that build-qt.sh
# builds or finds in its cache. Extra arguments go to the configure step.
set -euo pipefail
cd "$(dirname "$0")/../.."
# shellcheck source=tools/windows/common.sh
source tools/windows/common.sh
qt=$(tools/windows/build-qt.sh)
varno_win_use_posix_compiler
build_dir=${VARNO_WIN_BUILD_DIR:-build-windows}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_PREFIX_PATH="$qt" -DCMAKE_BUILD_TYPE=Release -DVARNO_BUILD_BENCHMARKS=OFF \
    -DVARNO_WARNINGS_AS_ERRORS=ON "$@"
cmake --build "$build_dir" -j "$(nproc)"
