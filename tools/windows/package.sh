#!/usr/bin/env bash
# Builds the Windows package from Linux: the portable
# VarnoSoftware-1.0-win64.zip and the installer VarnoSoftware-1.0-setup.exe,
# both in build-windows/package. The program asks the update server given at
# configure time (VARNO_UPDATE_BASE_URL, the bundled one by default).
# Usage: tools/windows/package.sh [configure options]
set -euo pipefail
cd "$(dirname "$0")/../.."
source tools/windows/common.sh
varno_win_install_packages
tools/windows/build.sh "$@"
qt=$(tools/windows/build-qt.sh)
varno_win_use_posix_compiler
build=${VARNO_WIN_BUILD_DIR:-build-windows}
out=$build/package
stage=$out/VarnoSoftware
rm -rf "$out"
mkdir -p "$stage/Image"
cmake -DPROGRAM="$build/VarnoSoftware.exe" -DQT_PREFIX="$qt" \
    -DRUNTIME_DIRS="$(varno_win_runtime_dlls | xargs -n1 dirname | sort -u | paste -sd';')" \
    -DSYSTEM_IMPORT_LIBS=/usr/x86_64-w64-mingw32/lib -DDESTINATION="$stage" -P cmake/WindowsRuntime.cmake
cp Image/Minimize.ico Image/Maximize.ico Image/Close.ico "$stage/Image/"
find "$stage" -name '*.exe' -o -name '*.dll' | xargs x86_64-w64-mingw32-strip --strip-unneeded

(cd "$out" && zip -qr VarnoSoftware-1.0-win64.zip VarnoSoftware)
makensis -V2 -DSTAGE="$(realpath "$stage")" -DLOGO="$(realpath Image/logo_image.ico)" \
    -DOUTFILE="$(realpath "$out")/VarnoSoftware-1.0-setup.exe" dist/windows/VarnoSoftware.nsi
ls -l "$out"/*.zip "$out"/*.exe
