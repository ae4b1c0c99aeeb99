# Shared by the scripts of tools/windows: the Debian packages of the Windows
# leg, the POSIX-threads mingw-w64 compiler first on PATH, and where the
# cross-built Qt is cached. Sourced, not run.

varno_win_packages=(
    # the compiler Qt and the program are both built with
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    # Qt's own build (configure is a shell and perl script) and its source
    build-essential perl python3 dpkg-dev xz-utils
    # running what was built; both named, as nothing comes in as a recommend
    wine wine64 xvfb xauth xdotool x11-apps imagemagick
    # the https update server of the TLS check, and its certificates
    openssl
    # the package
    nsis zip unzip
    # the build of the program itself
    cmake ninja-build
)

varno_sudo=()
[ "$(id -u)" -eq 0 ] || varno_sudo=(sudo)

varno_win_install_packages() {
    local missing=() package
    for package in "${varno_win_packages[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
            || missing+=("$package")
    done
    [ "${#missing[@]}" -eq 0 ] && return 0
    export DEBIAN_FRONTEND=noninteractive
    "${varno_sudo[@]}" apt-get update -qq
    "${varno_sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

varno_cache_root=${VARNO_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/varno}

# Qt's CROSS_COMPILE prefix would pick Debian's default win32-threads g++;
# these links make the same prefix name the POSIX-threads one, for Qt's build
# and the program's alike.
varno_win_use_posix_compiler() {
    local bin=$varno_cache_root/mingw-w64-posix-bin tool
    mkdir -p "$bin"
    for tool in gcc g++; do
        ln -sfn "/usr/bin/x86_64-w64-mingw32-$tool-posix" "$bin/x86_64-w64-mingw32-$tool"
    done
    case ":$PATH:" in
        *":$bin:"*) ;;
        *) export PATH="$bin:$PATH" ;;
    esac
}

# The runtime DLLs of that compiler: from the posix variant's folders.
varno_win_runtime_dlls() {
    local gcc_dir
    gcc_dir=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
    echo "$gcc_dir/libgcc_s_seh-1.dll"
    echo "$gcc_dir/libstdc++-6.dll"
    echo "/usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll"
}
