#!/usr/bin/env bash
# Installs every Debian package the program, its tests and its tools need.
set -euo pipefail

packages=(
    build-essential cmake ninja-build
    qtbase5-dev qtbase5-dev-tools libqt5dbus5
    fonts-wqy-microhei
    xvfb xauth x11-utils xdotool imagemagick
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
