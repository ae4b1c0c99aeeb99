#!/usr/bin/env bash
# Mutation check of the test suite: applies each seeded fault of
# tools/mutations.txt (one per line, see its head) alone to a scratch copy of the tree, builds it
# incrementally, runs the whole suite and puts the fault back. Prints per
# fault KILLED (the suite failed), SURVIVED (it passed), STALE (the old text
# is not found exactly once), STILLBORN (it does not build) or TIMEOUT, then
# the totals; the same lines go to build-mutate/results.txt.
# Takes about half a minute per fault on 2 cores. Not part of CI.
# Usage: tools/mutate.sh [text]   only the faults whose record holds text
# (VARNO_MUTATIONS names another list of faults in the same form)
set -euo pipefail
cd "$(dirname "$0")/.."
list=${VARNO_MUTATIONS:-tools/mutations.txt}
filter=${1:-}
work=${VARNO_MUTATE_DIR:-$PWD/build-mutate}
tree=$work/tree
build=$work/build
suite_seconds=${VARNO_MUTATE_TIMEOUT:-600}

./scripts/install-deps.sh
rm -rf "$tree"
mkdir -p "$tree"
# The tree as it is now, uncommitted changes included, every file dated now so
# that no object a broken-off earlier run built from a fault is taken as current.
git ls-files -z -c -o --exclude-standard | tar --null -T - -cf - | tar -xmf - -C "$tree"
cmake -S "$tree" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNO_BUILD_BENCHMARKS=OFF >/dev/null

run_suite() {
    QT_QPA_PLATFORM=offscreen timeout "$suite_seconds" \
        ctest --test-dir "$build" -j "$(nproc)" --stop-on-failure >"$work/last-suite.log" 2>&1
}

cmake --build "$build" >"$work/last-build.log" 2>&1 || { echo "the unchanged tree does not build" >&2; exit 1; }
run_suite || { echo "the suite fails on the unchanged tree; see $work/last-suite.log" >&2; exit 1; }

# Exact text, "\n" standing for a line break: how often it occurs, and the
# replacement of its one occurrence.
count_text() { OLD=$1 perl -0777 -ne '$o = $ENV{OLD}; $o =~ s/\\n/\n/g; print scalar(() = /\Q$o\E/g)' "$2"; }
replace_text() {
    OLD=$1 NEW=$2 perl -0777 -i -pe '($o, $n) = ($ENV{OLD}, $ENV{NEW}); s/\\n/\n/g for $o, $n; s/\Q$o\E/$n/' "$3"
}

declare -A totals=([KILLED]=0 [SURVIVED]=0 [STALE]=0 [STILLBORN]=0 [TIMEOUT]=0)
: >"$work/results.txt"
number=0
while IFS=$'\t' read -r file old new effect; do
    case "$file" in '#'* | '') continue ;; esac
    number=$((number + 1))
    [[ -z "$filter" || "$file $old $new $effect" == *"$filter"* ]] || continue
    target=$tree/$file
    if [ ! -f "$target" ] || [ "$(count_text "$old" "$target")" != 1 ]; then
        verdict=STALE
    else
        cp "$target" "$work/original"
        replace_text "$old" "$new" "$target"
        if ! cmake --build "$build" >"$work/last-build.log" 2>&1; then
            verdict=STILLBORN
        else
            status=0
            run_suite || status=$?
            if [ "$status" -eq 124 ] || grep -q '\*\*\*Timeout' "$work/last-suite.log"; then
                verdict=TIMEOUT
            elif [ "$status" -eq 0 ]; then
                verdict=SURVIVED
            else
                verdict=KILLED
            fi
        fi
        # A fresh modification time, so the next build compiles the original.
        cat "$work/original" >"$target"
    fi
    totals[$verdict]=$((totals[$verdict] + 1))
    printf '%-9s %2d %s: %s\n' "$verdict" "$number" "$file" "$effect" | tee -a "$work/results.txt"
done <"$list"

printf 'KILLED %d, SURVIVED %d, STALE %d, STILLBORN %d, TIMEOUT %d\n' "${totals[KILLED]}" \
    "${totals[SURVIVED]}" "${totals[STALE]}" "${totals[STILLBORN]}" "${totals[TIMEOUT]}" \
    | tee -a "$work/results.txt"
