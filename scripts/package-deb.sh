#!/usr/bin/env bash
# Builds the Debian package into ./build-deb (or $VARNO_DEB_BUILD_DIR). The
# package leaves updating to the package manager, so the start-up update check
# is built out. Install it with: sudo apt-get install ./build-deb/varnosoftware_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
build_dir=${VARNO_DEB_BUILD_DIR:-build-deb}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DVARNO_UPDATE_CHECK=OFF -DVARNO_BUILD_TESTS=OFF -DVARNO_BUILD_BENCHMARKS=OFF
cmake --build "$build_dir" -j "$(nproc)"
(cd "$build_dir" && cpack -G DEB)
ls "$build_dir"/varnosoftware_*.deb
