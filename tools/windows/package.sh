#!/usr/bin/env bash
# Builds the Windows package from Linux: the portable
# VarnoSoftware-1.0-win64.zip and the installer VarnoSoftware-1.0-setup.exe,
# both in build-windows/package. The program asks the update server given at
# configure time (VARNO_UPDATE_BASE_URL), so a release is built against the
# maker's own server:
#   tools/windows/package.sh -DVARNO_UPDATE_BASE_URL=https://<your-update-server>
# A loopback address is refused: on a user's machine nothing answers there,
# and every start would end at the download box. VARNO_TEST_PACKAGE=1 builds
# a test package against the bundled server instead, its file names marked
# "-test" so it cannot ship by mistake.
# Usage: [VARNO_TEST_PACKAGE=1] tools/windows/package.sh [configure options]
set -euo pipefail
cd "$(dirname "$0")/../.."
source tools/windows/common.sh
varno_win_install_packages
build=${VARNO_WIN_BUILD_DIR:-build-windows}
if [ "${VARNO_TEST_PACKAGE:-0}" = 1 ]; then
    tools/windows/build.sh "$@" -DVARNO_UPDATE_BASE_URL=http://127.0.0.1:8765
    name=VarnoSoftware-1.0-test
else
    tools/windows/build.sh "$@"
    name=VarnoSoftware-1.0
    base_url=$(sed -n 's/^VARNO_UPDATE_BASE_URL:[A-Z]*=//p' "$build/CMakeCache.txt")
    if python3 - "$base_url" <<'PYTHON'
import ipaddress, socket, sys, urllib.parse
host = (urllib.parse.urlsplit(sys.argv[1]).hostname or "").rstrip(".")
if host == "localhost" or host.endswith(".localhost"):
    sys.exit(0)
try:
    address = ipaddress.ip_address(host)
except ValueError:
    try:  # the short and numeric forms URL parsers take, such as 127.1
        address = ipaddress.ip_address(socket.inet_aton(host))
    except OSError:
        sys.exit(1)
mapped = getattr(address, "ipv4_mapped", None)
sys.exit(0 if address.is_loopback or address.is_unspecified or (mapped and mapped.is_loopback) else 1)
PYTHON
    then
        echo "package: VARNO_UPDATE_BASE_URL is $base_url, a loopback address; on a user's machine" \
            "nothing answers there and every start ends at the download box." >&2
        echo "Build a release against your own update server:" \
            "tools/windows/package.sh -DVARNO_UPDATE_BASE_URL=https://<your-update-server>" >&2
        echo "or a test package against the bundled server: VARNO_TEST_PACKAGE=1 tools/windows/package.sh" >&2
        exit 1
    fi
fi
qt=$(tools/windows/build-qt.sh)
varno_win_use_posix_compiler
out=$build/package
stage=$out/VarnoSoftware
rm -rf "$out"
mkdir -p "$stage/Image"
cmake -DPROGRAM="$build/VarnoSoftware.exe" -DQT_PREFIX="$qt" \
    -DRUNTIME_DIRS="$(varno_win_runtime_dlls | xargs -n1 dirname | sort -u | paste -sd';')" \
    -DSYSTEM_IMPORT_LIBS=/usr/x86_64-w64-mingw32/lib -DDESTINATION="$stage" -P cmake/WindowsRuntime.cmake
cp Image/Minimize.ico Image/Maximize.ico Image/Close.ico "$stage/Image/"
find "$stage" -name '*.exe' -o -name '*.dll' | xargs x86_64-w64-mingw32-strip --strip-unneeded

(cd "$out" && zip -qr "$name-win64.zip" VarnoSoftware)
makensis -V2 -DSTAGE="$(realpath "$stage")" -DLOGO="$(realpath Image/logo_image.ico)" \
    -DOUTFILE="$(realpath "$out")/$name-setup.exe" dist/windows/VarnoSoftware.nsi
ls -l "$out"/*.zip "$out"/*.exe
