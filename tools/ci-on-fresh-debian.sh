#!/usr/bin/env bash
# Runs CI (.ci/run, or the command given) on a clone of this repository's
# HEAD inside a freshly bootstrapped Debian 12 (minbase, plus git as a clone
# implies), as a new machine would. Needs root, debootstrap and a Debian
# mirror. Nothing of this machine's caches is used: the Windows Qt is built
# afresh in there too.
# Usage: tools/ci-on-fresh-debian.sh [command run in the clone]
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "run as root (debootstrap and chroot)" >&2; exit 1; }
command -v debootstrap >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap
command=${*:-.ci/run}

root=$(mktemp -d /var/tmp/varno-fresh-ci.XXXXXX)
mounts=(proc sys dev dev/pts dev/shm)
cleanup() {
    local i
    for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
        umount -l "$root/${mounts[$i]}" 2>/dev/null || true
    done
    rm -rf --one-file-system "$root"
}
trap cleanup EXIT

start=$(date +%s)
debootstrap --variant=minbase --include=git,ca-certificates bookworm "$root" http://deb.debian.org/debian >/dev/null
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
mount -t sysfs sys "$root/sys"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
mount -t tmpfs shm "$root/dev/shm"
git clone -q "$PWD" "$root/root/varno"
echo "bootstrapped in $(($(date +%s) - start)) s; running $command"
status=0
chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin TERM=dumb LANG=C.UTF-8 \
    /bin/bash -c "cd /root/varno && $command" || status=$?
echo "fresh Debian 12: '$command' exited with $status after $(($(date +%s) - start)) s in all"
exit "$status"
