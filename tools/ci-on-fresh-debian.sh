#!/usr/bin/env bash
# Runs CI (.ci/run, or the command given) on a clone of this repository's
# HEAD inside a freshly bootstrapped Debian 12 (minbase, plus git as a clone
# implies), as a new machine would. Needs root and an apt set up with
# Debian 12, whose archive the new root uses too. Nothing of this machine's caches is used: the Windows Qt is built
# afresh in there too.
# Usage: tools/ci-on-fresh-debian.sh [command run in the clone]
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/fresh-debian-root.sh
command=${*:-.ci/run}

start=$(date +%s)
fresh_debian_root git,ca-certificates
git clone -q "$PWD" "$FRESH_ROOT/root/varno"
echo "bootstrapped in $(($(date +%s) - start)) s; running $command"
status=0
chroot "$FRESH_ROOT" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin TERM=dumb LANG=C.UTF-8 \
    /bin/bash -c "cd /root/varno && $command" || status=$?
echo "fresh Debian 12: '$command' exited with $status after $(($(date +%s) - start)) s in all"
exit "$status"
