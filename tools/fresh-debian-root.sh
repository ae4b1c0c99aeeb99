# Sourced by the scripts that try the project on a freshly bootstrapped Debian
# 12 (minbase), as a new machine would be: fresh_debian_root [packages] makes
# the root with those extra packages (comma-separated), mounts what programs
# in it expect and sets FRESH_ROOT; all of it goes again when the script
# exits. Needs root and an apt set up with Debian 12; installs debootstrap
# when missing.
. "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib/debian-archive.sh"
fresh_debian_root() {
    [ "$(id -u)" -eq 0 ] || { echo "run as root (debootstrap and chroot)" >&2; exit 1; }
    local mirror
    # The archive this machine's apt uses; the new root's apt is set up with it too.
    mirror=$(varno_bookworm_mirror) || exit 1
    command -v debootstrap >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap
    FRESH_ROOT=$(mktemp -d /var/tmp/varno-fresh-debian.XXXXXX)
    trap fresh_debian_root_remove EXIT
    debootstrap --variant=minbase ${1:+--include="$1"} bookworm "$FRESH_ROOT" "$mirror" >/dev/null
    cp /etc/resolv.conf "$FRESH_ROOT/etc/resolv.conf"
    mount -t proc proc "$FRESH_ROOT/proc"
    mount -t sysfs sys "$FRESH_ROOT/sys"
    mount --bind /dev "$FRESH_ROOT/dev"
    mount --bind /dev/pts "$FRESH_ROOT/dev/pts"
    mount -t tmpfs shm "$FRESH_ROOT/dev/shm"
}

fresh_debian_root_remove() {
    local mount
    for mount in dev/shm dev/pts dev sys proc; do
        umount -l "$FRESH_ROOT/$mount" 2>/dev/null || true
    done
    rm -rf --one-file-system "$FRESH_ROOT"
}
