#!/usr/bin/env bash
# Installs the Debian package into a freshly bootstrapped Debian 12 (minbase)
# with apt-get, and starts the installed program there on the offscreen
# platform for a few seconds. Needs root, debootstrap and network access to a
# Debian 12 archive in apt's sources; takes a few minutes. Not part of CI.
# Usage: tools/check-package-on-fresh-debian.sh [package.deb]
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/fresh-debian-root.sh

deb=${1:-}
if [ -z "$deb" ]; then
    ./scripts/package-deb.sh
    deb=$(ls -t build-deb/varnosoftware_*.deb | head -1)
fi

fresh_debian_root
cp "$deb" "$FRESH_ROOT/tmp/varnosoftware.deb"
chroot "$FRESH_ROOT" /bin/bash -euc '
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq /tmp/varnosoftware.deb >/dev/null
    test -x /usr/lib/varnosoftware/VarnoSoftware
    test -f /usr/lib/varnosoftware/Image/Close.ico
    test -f /usr/share/applications/com.varnosoftware.VarnoSoftware.desktop
    # Still running after five seconds means it started and stayed up.
    status=0
    QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=/tmp/config timeout 5 varnosoftware >/dev/null 2>&1 || status=$?
    [ "$status" -eq 124 ]
'
echo "fresh Debian 12: the package installed with apt-get and the program started"
