#!/usr/bin/env bash
# Installs every Debian package the program, its tests and its tools need.
set -euo pipefail

packages=(
    # build
    build-essential cmake ninja-build pkg-config
    qtbase5-dev qtbase5-dev-tools libqt5dbus5
    # the deflate of the rounded-image page's own PNG writer
    zlib1g-dev
    # the quick first preview of a chosen PNG: inflating in one go at about
    # twice zlib's speed
    libdeflate-dev
    # keyboard and pointer idleness on X11 and Wayland (the rest reminder),
    # and the compositor its test runs
    libqt5x11extras5-dev libxcb-screensaver0-dev
    libwayland-dev wayland-protocols plasma-wayland-protocols kwin-wayland
    # the Chinese texts
    fonts-wqy-microhei
    # running without a display, screenshots, driving real windows
    xvfb xauth x11-utils xdotool
    # test images (GIF) and image benchmarks
    imagemagick
    # the image benchmark: vips doing the same export, and the exported
    # file's structure checked
    libvips-tools pngcheck
    # listing the sizes of a written icon
    icoutils
    # the bundled update server
    php-cli
    # packaging (dpkg-shlibdeps, and file, which CPack's DEB generator needs)
    # and checking the desktop entry and metainfo
    dpkg-dev file desktop-file-utils appstream libglib2.0-bin
    # the format check, and the documentation's link check
    clang-format python3
    # the Windows power-off file is compile-checked
    g++-mingw-w64-x86-64
    # a private session bus for the desktop notification and late tray tests
    dbus
    # a window manager that keeps windows from stealing the focus, with its
    # settings service, for the second start's window coming forward
    xfwm4 xfconf
    # systemd's reader of autostart entries, which the sign-in entry must pass
    systemd
    # the release figures: a tray to hide into, and the probe that watches
    # windows appear and get drawn
    trayer libx11-dev libxdamage-dev
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ "${#missing[@]}" -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
