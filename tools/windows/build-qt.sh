#!/usr/bin/env bash
# Cross-builds Qt 5 (qtbase) for 64-bit Windows with mingw-w64 from Debian's
# own source package, into a cache folder outside the clone, and prints that
# folder. Does nothing when the folder is complete. The folder's name carries
# a key of the configure options, the Debian source version and the compiler
# version, so any of those changing builds a new Qt; nothing else does.
# Takes about 12 minutes on 2 cores. Usage: tools/windows/build-qt.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tools/windows/common.sh
source "$here/common.sh"
# shellcheck source=scripts/lib/debian-archive.sh
source "$here/../../scripts/lib/debian-archive.sh"

# What the program and its tests use: Core, Gui, Widgets, Network and Test;
# the windows, offscreen and minimal platforms; the ICO, JPEG and GIF image
# plugins; the Windows styles; TLS through Windows' own Schannel, so no
# OpenSSL has to be built or shipped. Tablets, printing, SQL, OpenGL, Vulkan,
# D-Bus and Concurrent are left out. Debian's source has no wintab headers,
# which the tablet support of the windows platform needs.
qt_options=(
    -xplatform win32-g++ -device-option CROSS_COMPILE=x86_64-w64-mingw32- -platform linux-g++
    -release -opensource -confirm-license -nomake examples -nomake tests
    -schannel -no-openssl -no-dbus -no-icu -no-opengl -qt-zlib -qt-libpng -qt-libjpeg -qt-pcre -qt-freetype -qt-harfbuzz
    -no-feature-sql -no-feature-vulkan -no-feature-tabletevent -no-feature-concurrent
    -no-feature-printer -no-direct2d
)

varno_win_install_packages
varno_win_use_posix_compiler

# The source package comes from the deb-src side of the archive the system
# already uses for bookworm main.
if ! apt-cache showsrc qtbase-opensource-src 2>/dev/null | grep -q '^Version:'; then
    archive=$(varno_bookworm_main_sources)
    [ -n "$archive" ] || { varno_bookworm_mirror; exit 1; }
    signed_by=$(head -1 <<<"$archive" | cut -f2)
    {
        echo "Types: deb-src"
        echo "URIs: $(cut -f1 <<<"$archive" | sort -u | paste -sd' ')"
        echo "Suites: bookworm"
        echo "Components: main"
        [ -z "$signed_by" ] || echo "Signed-By: $signed_by"
    } | "${varno_sudo[@]}" tee /etc/apt/sources.list.d/varno-deb-src.sources >/dev/null
    "${varno_sudo[@]}" apt-get update -qq
fi
source_version=$(apt-cache showsrc qtbase-opensource-src | awk '/^Version:/ {print $2}' | sort -V | tail -1)
[ -n "$source_version" ] || { echo "no source version of qtbase-opensource-src found" >&2; exit 1; }
compiler_version=$(x86_64-w64-mingw32-g++ --version | head -1)

key=$(printf '%s\n' "${qt_options[*]}" "$source_version" "$compiler_version" | sha256sum | cut -c1-12)
upstream_version=${source_version#*:}
upstream_version=${upstream_version%%+*}
prefix=$varno_cache_root/qt-$upstream_version-mingw64-$key
stamp=$prefix/.varno-complete

if [ -f "$stamp" ]; then
    echo "$prefix"
    exit 0
fi

work=$varno_cache_root/work-$key
rm -rf "$prefix" "$work"
mkdir -p "$work/build"
start=$(date +%s)
{
    echo "building Qt $source_version for Windows into $prefix"
    echo "compiler: $compiler_version"
    cd "$work"
    apt-get source -qq "qtbase-opensource-src=$source_version"
    source_dir=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'qtbase-opensource-src-*' | head -1)
    # Schannel's import libraries are named in Windows' spelling; mingw-w64's
    # are lower case, which a case-sensitive file system tells apart.
    sed -i 's/-lSecur32/-lsecur32/; s/-lCrypt32/-lcrypt32/' "$source_dir/src/network/ssl/ssl.pri"
    cd "$work/build"
    "$source_dir/configure" "${qt_options[@]}" -prefix "$prefix"
    make -j"$(nproc)"
    make install
} >"$varno_cache_root/build-qt-$key.log" 2>&1 || {
    echo "the Qt build failed; the end of $varno_cache_root/build-qt-$key.log:" >&2
    tail -40 "$varno_cache_root/build-qt-$key.log" >&2
    exit 1
}
printf 'options: %s\nsource: %s\ncompiler: %s\nseconds: %s\n' "${qt_options[*]}" "$source_version" \
    "$compiler_version" "$(($(date +%s) - start))" >"$stamp"
rm -rf "$work"
echo "$prefix"
